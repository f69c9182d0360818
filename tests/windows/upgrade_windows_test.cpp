// The upgrade windows against the virtual amplifier: the file upgrade with
// each image kind, a refused file, the forced update end to end through the
// main window's hand-over, a failed stage, and the close refused mid-transfer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <filesystem>

#include "app/main_wnd_upgrade.h"
#include "device/messages.h"
#include "session/session_events.h"
#include "support/modal_answer.h"
#include "tool_fixture.h"
#include "ui/language.h"
#include "ui/skin.h"
#include "upgrade/carried_firmware.h"
#include "upgrade/carried_firmware_files.h"
#include "upgrade/firmware_image.h"
#include "upgrade/upgrade_protocol.h"
#include "upgrade/upgrade_support.h"

namespace vlm {
namespace {

using test::Answer;
using test::Bytes;

class UpgradeWindowsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::LoadBuiltInSkinInEnglish(); }
  void SetUp() override {
    ui::Language::Instance().Select(QStringLiteral("en"));
    timing().factoryResetDelayMs = 5;
  }
  static QString T(const char* key) { return ui::Language::Instance().Text(QString::fromLatin1(key)); }
  static QString Tips(ui::UIWindow& w) { return w.FindControl<QLabel>(QStringLiteral("update_tips"))->text(); }
  static bool Enabled(ui::UIWindow& w, const char* name) {
    return w.FindControl<QWidget>(QString::fromLatin1(name))->isEnabled();
  }
  template <class Pred>
  static bool WaitFor(Pred pred, int ms = 10000) {
    for (int waited = 0; waited < ms && !pred(); waited += 5) QTest::qWait(5);
    return pred();
  }
  // What ConnectDevice does when the amplifier comes back: open it again.
  static void Reconnect(test::UpgradeBench& bench) {
    ASSERT_TRUE(test::WaitPlugged(*bench.amp));
    bench.link->CloseHIDDevice(false);
    ASSERT_EQ(bench.link->OpenHIDDevice(), 0);
  }
};

TEST_F(UpgradeWindowsTest, FileUpgradeWithEachImageKindEndsDoneWithControlsBack) {
  const Bytes mcuBody = test::Counting(100), dspBody = test::Counting(120, 9);
  const Bytes mcu = test::MakeImage(1, 78, mcuBody), dsp = test::MakeImage(2, 78, dspBody);
  struct Case {
    const char* name;
    Bytes file;
    Bytes received;
  } cases[] = {{"VLM24.60DSP_MCU_UPG.bin", mcu, mcuBody},
               {"VLM24.60DSP_FLASH_UPG.bin", dsp, dspBody},
               {"BL_UPG.bin", mcu, mcuBody},
               {"VLM_UPG_FW.bin", test::MakeMerged(mcu, dsp), dspBody}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::UpgradeBench bench(true);
    CUpdateFwWnd wnd(nullptr, *bench.link);
    wnd.SetDeleteOnClose(false);
    wnd.Create(QStringLiteral("XML_UPDATE_FW"));
    wnd.show();
    // Focus on the empty path opens the chooser.
    auto previous = CUpdateFwWnd::SetFileChooser(
        [&](QWidget*) { return QString::fromStdString(bench.dir.Write(c.name, c.file)); });
    wnd.FindControl<QLineEdit>(QStringLiteral("file_path_edt"))->setFocus();
    QApplication::setActiveWindow(&wnd);
    WaitFor([&] { return !wnd.Path().isEmpty(); }, 500);
    if (wnd.Path().isEmpty()) wnd.ChooseFile();  // no focus events offscreen
    CUpdateFwWnd::SetFileChooser(previous);
    QString warning;
    {
      Answer confirm([&](ui::UIWindow& w) {
        warning = w.FindControl<QLabel>(QStringLiteral("MessageText"))->text();
        w.Close(ui::kResultConfirm);
      });
      QTest::mouseClick(wnd.FindControl<QPushButton>(QStringLiteral("update_btn")), Qt::LeftButton);
    }
    EXPECT_EQ(warning, T("upgrade_warning"));
    EXPECT_FALSE(Enabled(wnd, "closebtn"));
    EXPECT_FALSE(Enabled(wnd, "file_path_edt"));
    EXPECT_FALSE(bench.link->QueueGateOpen());
    ASSERT_TRUE(WaitFor([&] { return wnd.Outcome() != 0 && !wnd.WorkerRunning(); }));
    EXPECT_EQ(wnd.Outcome(), WM_UPGRADE_DONE);
    EXPECT_EQ(Tips(wnd), T("update_ok"));
    // Done: the window offers to close, not another upgrade.
    for (const char* name : {"closebtn", "cancel_btn"}) EXPECT_TRUE(Enabled(wnd, name)) << name;
    for (const char* name : {"file_btn", "update_btn", "file_path_edt"}) EXPECT_FALSE(Enabled(wnd, name)) << name;
    EXPECT_FALSE(wnd.FindControl<QPushButton>(QStringLiteral("update_btn"))->isVisible());
    EXPECT_EQ(wnd.FindControl<QPushButton>(QStringLiteral("cancel_btn"))->text(), T("close"));
    EXPECT_EQ(bench.amp->Snapshot().upgrade.lastReceived, c.received);
  }
}

TEST_F(UpgradeWindowsTest, ARefusedFileLeavesTheProgramConnectedWithEditsFlowing) {
  test::UpgradeBench bench(true);
  CUpdateFwWnd wnd(nullptr, *bench.link);
  wnd.SetDeleteOnClose(false);
  wnd.Create(QStringLiteral("XML_UPDATE_FW"));
  for (const std::string& path : {std::string(), bench.dir.Write("notes.txt", Bytes{1, 2, 3}),
                                  bench.dir.Write("MCU_UPG.bin", test::MakeImage(1, 0x4F, test::Counting(64)))}) {
    SCOPED_TRACE(path);
    wnd.SetPath(QString::fromStdString(path));
    wnd.BeginUpdate();
    ASSERT_TRUE(WaitFor([&] { return wnd.Outcome() != 0 && !wnd.WorkerRunning(); }));
    EXPECT_EQ(wnd.Outcome(), WM_UPGRADE_LOAD_FAILED);
    // The loader's reason follows the message.
    EXPECT_EQ(Tips(wnd), T("load_fw_fail") + QStringLiteral("\n") +
                             QString::fromStdString(UpgradeErrorText(LastUpgradeError(*bench.link))));
    EXPECT_TRUE(Tips(wnd).contains(QStringLiteral("loading the image:")));
    EXPECT_TRUE(Enabled(wnd, "update_btn"));
    EXPECT_TRUE(bench.link->IsConnected());
    EXPECT_TRUE(bench.link->QueueGateOpen());
  }
  // Another file chosen: the old reason goes.
  auto previous = CUpdateFwWnd::SetFileChooser(
      [&](QWidget*) { return QString::fromStdString(bench.dir.Write("FLASH_UPG.bin", Bytes{1})); });
  wnd.ChooseFile();
  CUpdateFwWnd::SetFileChooser(previous);
  EXPECT_TRUE(Tips(wnd).isEmpty());
  EXPECT_EQ(wnd.Outcome(), 0);
  // Disconnected: the button does nothing at all.
  bench.link->CloseHIDDevice(false);
  wnd.SetPath(QString::fromStdString(bench.dir.Write("MCU_UPG.bin", test::MakeImage(1, 78, test::Counting(64)))));
  const QString before = Tips(wnd);
  wnd.BeginUpdate();
  EXPECT_FALSE(wnd.WorkerRunning());
  EXPECT_EQ(Tips(wnd), before);
}

TEST_F(UpgradeWindowsTest, TheFilterShowsEveryNameTheLoaderTakesAndTheExportWrites) {
  const QStringList filters = CUpdateFwWnd::FileFilter().split(QStringLiteral(";;"));
  ASSERT_EQ(filters.size(), 2);
  EXPECT_TRUE(filters[1].startsWith(T("all_files")));
  EXPECT_TRUE(filters[1].endsWith(QStringLiteral("(*)")));
  const QString inner = filters[0].section(QLatin1Char('('), 1).chopped(1);
  auto shown = [&](const QString& name) {
    for (const QString& pattern : inner.split(QLatin1Char(' '))) {
      if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern)).match(name).hasMatch())
        return true;
    }
    return false;
  };
  QStringList names;
  for (const upgrade::CarriedImage& image : upgrade::CarriedImages()) names << QString::fromLatin1(image.fileName);
  for (const upgrade::KindNamePart& p : upgrade::KindNameParts()) {
    const QString part = QString::fromLatin1(p.part);
    names << QStringLiteral("VLM24.60DSP_") + part << part.toLower() << QStringLiteral("x_") + part.left(part.size() - 3) + QStringLiteral("bin");
  }
  for (const QString& name : names) {
    EXPECT_NE(upgrade::KindFromFileName(name.toStdString()), upgrade::ImageKind::Invalid) << name.toStdString();
    EXPECT_TRUE(shown(name)) << name.toStdString();
  }
  for (const char* other : {"notes.txt", "firmware.bin", "MCU.bin"}) EXPECT_FALSE(shown(QString::fromLatin1(other))) << other;
}

TEST_F(UpgradeWindowsTest, TheUnplugWarningCancelledSendsNothing) {
  test::UpgradeBench bench(true);
  CUpdateFwWnd wnd(nullptr, *bench.link);
  wnd.SetDeleteOnClose(false);
  wnd.Create(QStringLiteral("XML_UPDATE_FW"));
  wnd.SetPath(QString::fromStdString(bench.dir.Write("MCU_UPG.bin", test::MakeImage(1, 78, test::Counting(64)))));
  const bool gateBefore = bench.link->QueueGateOpen();
  int asked = 0;
  Answer cancel([&](ui::UIWindow& w) {
    ++asked;
    w.Close(ui::kResultCancel);
  });
  EXPECT_FALSE(wnd.ConfirmAndBegin());
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(wnd.WorkerRunning());
  EXPECT_EQ(wnd.Outcome(), 0);
  EXPECT_EQ(bench.link->QueueGateOpen(), gateBefore);
  QTest::qWait(50);
  EXPECT_TRUE(bench.amp->Snapshot().upgrade.lastReceived.empty());
}

TEST_F(UpgradeWindowsTest, AFilePrepareErrorHasOneConfirmButton) {
  test::UpgradeBench bench(true);
  QWidget owner;
  UpgradeWindows upgrades(&owner, *bench.link);
  upgrades.SetFirmwareBaseDir("/nonexistent/vlm-tuner-base");
  QStringList buttons;
  int messages = 0;
  Answer answer([&](ui::UIWindow& w) {
    if (++messages == 2) {
      for (const char* name : {"confirm_btn", "cancel_btn", "third_btn"}) {
        auto* b = w.FindControl<QPushButton>(QString::fromLatin1(name));
        if (b && !b->isHidden()) buttons << b->text();
      }
    }
    w.Close(ui::kResultConfirm);
  });
  FirmwareOfferRecord offer;
  offer.versionMajor = 16;
  offer.versionMinor = 18;
  EXPECT_LT(upgrades.OnForceUpdateOffer(offer, {}), 0);
  EXPECT_EQ(messages, 2);
  EXPECT_EQ(buttons, QStringList{T("confirm")});
}

TEST_F(UpgradeWindowsTest, TheWindowRefusesToCloseWhileATransferRuns) {
  test::UpgradeBench bench(true);
  auto* wnd = new CUpdateFwWnd(nullptr, *bench.link);
  wnd->Create(QStringLiteral("XML_UPDATE_FW"));
  wnd->show();
  wnd->SetPath(QString::fromStdString(bench.dir.Write("MCU_UPG.bin", test::MakeImage(1, 78, test::Counting(3200)))));
  QPointer<CUpdateFwWnd> alive(wnd);
  wnd->BeginUpdate();
  ASSERT_TRUE(wnd->WorkerRunning());
  wnd->Close(ui::kResultCancel);
  EXPECT_FALSE(wnd->IsClosed());
  wnd->close();  // the window system's close
  EXPECT_FALSE(wnd->IsClosed());
  ASSERT_TRUE(WaitFor([&] { return !wnd->WorkerRunning(); }));
  EXPECT_EQ(wnd->Outcome(), WM_UPGRADE_DONE);
  wnd->Close(ui::kResultCancel);
  EXPECT_TRUE(WaitFor([&] { return alive.isNull(); }, 1000));
}

TEST_F(UpgradeWindowsTest, ARefusedHandshakeOpensTheFileUpgradeWindow) {
  test::UpgradeBench bench(false);
  QWidget owner;
  UpgradeWindows upgrades(&owner, *bench.link);
  QStringList opened;
  Answer answer([&](ui::UIWindow& w) { opened << w.ClassName(); });
  upgrades.OnHandshakeRefused();
  EXPECT_EQ(opened, (QStringList{QStringLiteral("MsgWnd"), QStringLiteral("UpdateFwWnd")}));
}

// 16.18: offered, confirmed, MCU then DSP flash from the carried images, each
// reconnection handed to the window, then the factory reset; the window
// returns 1 and the settings are read back.
TEST_F(UpgradeWindowsTest, ForcedUpdateRunsEndToEndWithTheFactoryReset) {
  test::UpgradeBench bench(true);
  bench.amp->SetFirmwareVersion(16, 18);
  test::TempDir base;
  QWidget owner;
  UpgradeWindows upgrades(&owner, *bench.link);
  upgrades.SetFirmwareBaseDir(base.path.string());
  int readBacks = 0;
  std::vector<int> stagesSeen;
  Answer answer([&](ui::UIWindow& w) {
    if (w.ClassName() == QStringLiteral("MsgWnd")) {
      w.Close(ui::kResultConfirm);
      return;
    }
    auto& f = static_cast<CForceUpdateWnd&>(w);
    f.FindControl<QCheckBox>(QStringLiteral("check_box_facotry"))->setChecked(true);
    QTest::mouseClick(f.FindControl<QPushButton>(QStringLiteral("update_btn")), Qt::LeftButton);
    for (int round = 0; round < 3; ++round) {
      stagesSeen.push_back(f.Stage());
      ASSERT_TRUE(WaitFor([&] { return !f.WorkerRunning(); }));
      EXPECT_FALSE(f.StageFailed()) << round;
      EXPECT_FALSE(f.FindControl<QPushButton>(QStringLiteral("update_btn"))->isEnabled());
      Reconnect(bench);
      ASSERT_TRUE(upgrades.TakeReconnection());
    }
    EXPECT_TRUE(f.Finished());
    EXPECT_EQ(Tips(f), T("update_finish"));
    EXPECT_TRUE(f.FindControl<QPushButton>(QStringLiteral("update_btn"))->isEnabled());
  });
  FirmwareOfferRecord offer;
  offer.model = 78;
  offer.versionMajor = 16;
  offer.versionMinor = 18;
  offer.handshakeAccepted = 1;
  const int result = upgrades.OnForceUpdateOffer(offer, [&] { ++readBacks; });
  EXPECT_EQ(result, ui::kResultConfirm);
  EXPECT_EQ(stagesSeen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(readBacks, 1);
  EXPECT_FALSE(upgrades.ForcedUpdateRunning());
  EXPECT_FALSE(upgrades.TakeReconnection());
  const auto state = bench.amp->Snapshot();
  EXPECT_EQ(state.upgrade.finishedTransfers, 2);
  const auto flash = upgrade::CarriedResource("IDR_FLASH_BIN");
  ASSERT_GT(flash.size(), 14u);
  EXPECT_EQ(state.upgrade.lastReceived, Bytes(flash.begin() + 6, flash.end() - 8));
  // The carried images are gone from disk.
  EXPECT_TRUE(std::filesystem::is_empty(base.path));
}

// A stage that fails brings the buttons back, and the next reconnection
// flashes nothing more.
TEST_F(UpgradeWindowsTest, AFailedForcedStageIsRememberedAndStopsTheSequence) {
  test::UpgradeBench bench(true);
  test::TempDir base;
  upgrade::PreparedFirmware images = upgrade::PrepareCarriedFirmware(base.path.string());
  ASSERT_EQ(images.error, 0);
  CForceUpdateWnd wnd(nullptr, *bench.link, QString::fromStdString(images.mcuPath),
                      QString::fromStdString(images.flashPath));
  wnd.SetDeleteOnClose(false);
  wnd.Create(QStringLiteral("XML_FORCE_UPDATE"));
  wnd.BeginUpdate();
  EXPECT_EQ(wnd.Stage(), 1);
  bench.amp->Unplug();
  ASSERT_TRUE(WaitFor([&] { return !wnd.WorkerRunning(); }));
  EXPECT_TRUE(wnd.StageFailed());
  for (const char* name : {"update_btn", "cancel_btn", "closebtn"}) EXPECT_TRUE(Enabled(wnd, name)) << name;
  bench.amp->Plug();
  Reconnect(bench);
  wnd.ContinueUpdate();
  EXPECT_FALSE(wnd.WorkerRunning());
  EXPECT_EQ(wnd.Stage(), 0);
  EXPECT_FALSE(wnd.Finished());
  EXPECT_EQ(bench.amp->Snapshot().upgrade.finishedTransfers, 0);
  // An empty MCU path: nothing to do, even with the DSP path set.
  CForceUpdateWnd empty(nullptr, *bench.link, QString(), QString::fromStdString(images.flashPath));
  empty.SetDeleteOnClose(false);
  empty.Create(QStringLiteral("XML_FORCE_UPDATE"));
  empty.BeginUpdate();
  EXPECT_FALSE(empty.WorkerRunning());
  EXPECT_EQ(Tips(empty), T("update_no_file"));
}

}  // namespace
}  // namespace vlm
