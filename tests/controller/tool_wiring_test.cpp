// The tool windows reached from the real main window against the virtual
// amplifier: the scene window from the scene menu and from the closing
// question, the mixer closed by a disconnect, the factory reset, and the
// forced update offered for old firmware running to its end.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "life_fixture.h"
#include "model/conversions.h"
#include "model/scene_name_codec.h"
#include "sim/amplifier_state.h"
#include "upgrade/upgrade_support.h"
#include "windows/force_update_wnd.h"
#include "windows/scene_wnd.h"

namespace vlm::test {
namespace {

class ToolWiringTest : public DeviceLifeTest {
 protected:
  // The scene window: row `row` chosen and confirmed; the name entry gets
  // `name`; the loading window waits for the work to end.
  void AnswerSceneWindow(int row, const QString& name) {
    respond_ = [this, row, name](ui::UIWindow& w) {
      if (auto* scene = dynamic_cast<CSceneWnd*>(&w)) {
        ++sceneWindows_;
        scene->List()->setCurrentRow(row);
        scene->FindControl<QPushButton>(QStringLiteral("confirm_btn"))->click();
        EXPECT_TRUE(WaitFor([&] { return !mgr().session().WorkerRunning(); }));
        return true;
      }
      if (w.ClassName() == QLatin1String("NameMsgWnd")) {
        w.FindControl<QLineEdit>(QStringLiteral("name_edt"))->setText(name);
        w.FindControl<QPushButton>(QStringLiteral("confirm_btn"))->click();
        return true;
      }
      return WaitForLoadingWindow(w);
    };
  }
  // The loading window stays until the work ends (1275 or 1240).
  bool WaitForLoadingWindow(ui::UIWindow& w) {
    if (w.ClassName() != QLatin1String("LoadingWnd")) return false;
    QPointer<ui::UIWindow> self(&w);
    EXPECT_TRUE(WaitFor([&] { return !self || self->IsClosed(); })) << "the loading window stayed";
    return true;
  }
  std::u16string AmpName(int scene) {
    return DecodeSceneName(amp_->Snapshot().sceneNames[static_cast<size_t>(scene - 1)], SceneNameCodePage::Western);
  }
  int sceneWindows_ = 0;
};

TEST_F(ToolWiringTest, ClosingQuestionSavesTheSceneThroughTheSceneWindow) {
  Start();
  ASSERT_TRUE(Connected());
  AnswerSceneWindow(2, QStringLiteral("Club"));
  reply_ = ui::kResultConfirm;
  Send(Find(QStringLiteral("closebtn")), ui::notify::kClick);
  EXPECT_EQ(sceneWindows_, 1);
  EXPECT_EQ(boxes_, (QStringList{QStringLiteral("${save_scene_to_dsp_warning}"), QStringLiteral("${save_scene_ok}")}));
  EXPECT_EQ(AmpName(3), u"Club");
  EXPECT_TRUE(amp_->Snapshot().sceneSaved[2]);
  // The scene was saved before the amplifier was told goodbye.
  EXPECT_TRUE(wnd_->IsClosed());
  EXPECT_FALSE(amp_->Snapshot().pcConnected);
}

TEST_F(ToolWiringTest, SceneMenuLoadReplacesTheSettingsAndEveryControlFollows) {
  amp_->WithState([](sim::AmplifierState& s) {
    s.scenes[2] = s.scenes[0];
    s.scenes[2].mainVolume = 20;
    s.scenes[2].lock = 1;
    s.sceneSaved[1] = true;
    s.sceneNames[1] = {'T', 'w', 'o'};  // a slot without a name cannot be loaded
  });
  Start();
  ASSERT_TRUE(Connected());
  EXPECT_FALSE(controller::IsOn(mgr().controls().btnLockOutput));
  AnswerSceneWindow(1, QString());
  reply_ = ui::kResultConfirm;  // "load scene 2?"
  MenuClick("scene_item_load_scene");
  EXPECT_EQ(sceneWindows_, 1);
  ASSERT_TRUE(Connected());
  // The scene's volume replaced the one read at connecting, and is shown.
  EXPECT_NE(live().mainVolume, MainVolumeFromDb(-1.0));
  EXPECT_EQ(Shown(QStringLiteral("edit_main_volume")), QString::number(live().mainVolume));
  // The lock came with the scene: its button and the output buttons follow.
  EXPECT_EQ(live().lockMode, 1);
  EXPECT_TRUE(controller::IsOn(mgr().controls().btnLockOutput));
  EXPECT_FALSE(mgr().controls().chOutputButton[0]->isEnabled());
  // Afterwards the main window receives the scene replies again.
  EXPECT_FALSE(mgr().link().ReceiverSet(Receiver::SceneWindow));
}

TEST_F(ToolWiringTest, AboutShowsTheConnectedAmplifiersVersion) {
  amp_->SetFirmwareVersion(16, 21);
  Start();
  ASSERT_TRUE(Connected());
  QString shown;
  respond_ = [&](ui::UIWindow& w) {
    if (w.ClassName() != QLatin1String("AboutWnd")) return false;
    shown = w.FindControl<QLabel>(QStringLiteral("fw_version"))->text();
    w.Close(0);
    return true;
  };
  MenuClick("option_item_about");
  EXPECT_TRUE(shown.contains(QStringLiteral("v16.21"))) << shown.toStdString();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("VLM24.60DSP"))) << shown.toStdString();
  // Disconnected, it says so.
  mgr().DisconnectDevice();
  MenuClick("option_item_about");
  EXPECT_FALSE(shown.contains(QStringLiteral("v16"))) << shown.toStdString();
}

TEST_F(ToolWiringTest, DisconnectClosesTheMixerAndFactoryResetReachesTheAmplifier) {
  Start();
  ASSERT_TRUE(Connected());
  // The mixer open; the connect button disconnects (without saving) and
  // the mixer goes with the connection.
  bool mixerClosed = false;
  respond_ = [&](ui::UIWindow& w) {
    if (w.ClassName() != QLatin1String("MixerWnd")) return false;
    QPointer<ui::UIWindow> self(&w);
    reply_ = ui::kResultThird;
    Click(QStringLiteral("btnConnect"));
    mixerClosed = !self || self->IsClosed();
    return true;
  };
  MenuClick("advance_item_mixer");
  EXPECT_TRUE(mixerClosed);
  ASSERT_TRUE(Disconnected());

  // Disconnected: the reset is not offered and does nothing.
  Click(QStringLiteral("btn_option"));
  ASSERT_NE(wnd_->OpenMenu(), nullptr);
  QAction* reset = wnd_->OpenMenu()->FindItem(QStringLiteral("option_item_reset_default"));
  ASSERT_NE(reset, nullptr);
  EXPECT_FALSE(reset->isEnabled());
  MenuClick("option_item_reset_default");
  EXPECT_EQ(amp_->Snapshot().scenes[0].mainVolume, 7);

  Click(QStringLiteral("btnConnect"));
  ASSERT_TRUE(Connected());
  boxes_.clear();
  respond_ = [this](ui::UIWindow& w) { return WaitForLoadingWindow(w); };
  MenuClick("option_item_reset_default");
  EXPECT_TRUE(WaitFor([&] { return boxes_.contains(QStringLiteral("${device_reboot}")); }));
  EXPECT_TRUE(windows_.contains(QStringLiteral("LoadingWnd")));
  EXPECT_EQ(amp_->Snapshot().scenes[0].mainVolume, sim::FactoryScene().mainVolume);
  EXPECT_EQ(wnd_->LoadingWindow(), nullptr);
}

// Firmware 16.18: the offer after the read-back, confirmed; the carried
// images go over and the factory reset follows, every reconnection handed to
// the forced window by the main window's plug events; the program ends read
// back.
TEST_F(ToolWiringTest, ForcedUpdateOfferedForOldFirmwareRunsToItsEndAndReadsBackOnce) {
  amp_->SetFirmwareVersion(16, 18);
  amp_->SetRebootDowntime(std::chrono::milliseconds(5));
  QTemporaryDir images;
  int finished = -1;
  respond_ = [&](ui::UIWindow& w) {
    auto* forced = dynamic_cast<CForceUpdateWnd*>(&w);
    if (!forced) return false;
    forced->FindControl<QCheckBox>(QStringLiteral("check_box_facotry"))->setChecked(true);
    QTest::mouseClick(forced->FindControl<QPushButton>(QStringLiteral("update_btn")), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return forced->Finished() || forced->StageFailed(); }, 20000));
    finished = forced->Finished() ? 1 : 0;
    return true;
  };
  reply_ = ui::kResultConfirm;
  ShrinkUpgradeTiming();
  timing().readBackSettleMs = 0;
  timing().factoryResetDelayMs = 5;
  Start();
  wnd_->Upgrades().SetFirmwareBaseDir(images.path().toStdString());
  ASSERT_TRUE(WaitFor([&] { return finished >= 0; }, 30000));
  EXPECT_EQ(finished, 1);
  ASSERT_TRUE(Connected());
  EXPECT_EQ(amp_->Snapshot().upgrade.finishedTransfers, 2);
  EXPECT_FALSE(wnd_->Upgrades().ForcedUpdateRunning());
  EXPECT_TRUE(mgr().link().QueueGateOpen());
  // The offer came once; the read-back after it found current firmware.
  EXPECT_EQ(boxes_.count(), 1) << boxes_.join(' ').toStdString();
  EXPECT_EQ(windows_.count(QStringLiteral("ForceUpdateWnd")), 1);
  // Read back at connecting and once after the update (each behind its
  // loading window), never in between.
  EXPECT_EQ(windows_.count(QStringLiteral("LoadingWnd")), 2) << windows_.join(' ').toStdString();
  // The factory reset ran last: the amplifier holds its factory volume.
  EXPECT_EQ(amp_->Snapshot().scenes[0].mainVolume, sim::FactoryScene().mainVolume);
  EXPECT_TRUE(QDir(images.path()).isEmpty());
}

}  // namespace
}  // namespace vlm::test
