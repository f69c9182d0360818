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
#include "windows/key_text.h"
#include "windows/scene_wnd.h"
#include "windows/update_fw_wnd.h"

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
  // The warning before a firmware transfer: counted and confirmed.
  bool ConfirmUpgradeWarning(ui::UIWindow& w) {
    auto* text = w.FindControl<QLabel>(QStringLiteral("MessageText"));
    if (!text || ui::RawText(text) != QStringLiteral("${upgrade_warning}")) return false;
    ++upgradeWarnings_;
    w.Close(ui::kResultConfirm);
    return true;
  }
  int upgradeWarnings_ = 0;
  // The loading window stays until the work ends (1275 or 1240).
  bool WaitForLoadingWindow(ui::UIWindow& w) {
    if (w.ClassName() != QLatin1String("LoadingWnd")) return false;
    QPointer<ui::UIWindow> self(&w);
    EXPECT_TRUE(WaitFor([&] { return !self || self->IsClosed(); })) << "the loading window stayed";
    return true;
  }
  // The file-upgrade window given `image` and its update button clicked;
  // returns how the transfer ended (the reconnection after a finished one
  // may close the window).
  int UpgradeFrom(CUpdateFwWnd& up, const std::string& image) {
    up.SetPath(QString::fromStdString(image));
    QTest::mouseClick(up.FindControl<QPushButton>(QStringLiteral("update_btn")), Qt::LeftButton);
    QPointer<CUpdateFwWnd> self(&up);
    int outcome = 0;
    EXPECT_TRUE(WaitFor([&] {
      if (self && self->Outcome() != 0) outcome = self->Outcome();
      return !self || (self->Outcome() != 0 && !self->WorkerRunning());
    }, 10000));
    return outcome;
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

// Scene names are the amplifier's bytes in the interface language's code
// page: typed and saved in it, read back in it, and shown again in the new
// one when the language changes, without asking the amplifier again.
TEST_F(ToolWiringTest, ASceneLoadIsOneStepWhoseUndoRestoresTheAmplifierThroughTheWorker) {
  amp_->WithState([](sim::AmplifierState& s) {
    s.scenes[2] = s.scenes[0];
    s.scenes[2].mainVolume = 20;
    s.scenes[2].lock = 1;
    s.scenes[2].outputs[4].eq[7].gainInt = 24;
    s.scenes[2].outputs[4].trim = 3;
    s.sceneSaved[1] = true;
    s.sceneNames[1] = {'T', 'w', 'o'};
  });
  Start();
  ASSERT_TRUE(Connected());
  EXPECT_FALSE(mgr().recorder().history().CanUndo()) << "a new connection starts without history";
  const sim::SceneSettings before = amp_->Snapshot().scenes[0];
  AnswerSceneWindow(1, QString());
  reply_ = ui::kResultConfirm;
  MenuClick("scene_item_load_scene");
  ASSERT_TRUE(Connected());
  const sim::SceneSettings loaded = amp_->Snapshot().scenes[0];
  ASSERT_FALSE(loaded == before);
  ASSERT_EQ(mgr().recorder().history().UndoCount(), 1u);
  EXPECT_EQ(wnd_->UndoText(), QStringLiteral("Undo scene load"));

  respond_ = [this](ui::UIWindow& w) { return WaitForLoadingWindow(w); };
  wnd_->Undo();
  ASSERT_TRUE(WaitFor([&] { return !mgr().recorder().Restoring() && !mgr().session().WorkerRunning(); }, 10000));
  EXPECT_TRUE(amp_->Snapshot().scenes[0] == before) << "the amplifier holds its settings from before the load";
  EXPECT_EQ(live().lockMode, 0);
  EXPECT_TRUE(wnd_->LoadingText().startsWith(QStringLiteral("Restoring:")));
  wnd_->Redo();
  ASSERT_TRUE(WaitFor([&] { return !mgr().recorder().Restoring() && !mgr().session().WorkerRunning(); }, 10000));
  EXPECT_TRUE(amp_->Snapshot().scenes[0] == loaded);
}

TEST_F(ToolWiringTest, SceneNamesFollowTheInterfaceLanguage) {
  Start();
  ASSERT_TRUE(Connected());
  reply_ = ui::kResultConfirm;  // "saved"
  const std::pair<const char*, QString> saves[] = {{"option_item_language_cn", QStringLiteral("夜店音乐")},
                                                    {"option_item_language_ru", QStringLiteral("Клуб")}};
  int row = 0;
  for (const auto& [language, name] : saves) {
    MenuClick(language);
    AnswerSceneWindow(row, name);
    MenuClick("scene_item_saveas_scene");
    EXPECT_EQ(boxes_.count(QStringLiteral("${save_scene_ok}")), row + 1) << boxes_.join(' ').toStdString();
    EXPECT_EQ(QString::fromStdU16String(DecodeSceneName(amp_->Snapshot().sceneNames[static_cast<size_t>(row)],
                                                        mgr().session().codePage())),
              name);
    ++row;
  }
  // Read back from the amplifier, under the Russian interface.
  ASSERT_TRUE(mgr().life().StartReadBack());
  ASSERT_TRUE(Connected());

  QStringList rows;
  respond_ = [&](ui::UIWindow& w) {
    auto* scene = dynamic_cast<CSceneWnd*>(&w);
    if (!scene) return false;
    rows = {scene->RowText(0), scene->RowText(1)};
    return true;
  };
  const uint64_t reports = amp_->counters().reportsReceived;
  MenuClick("scene_item_load_scene");
  EXPECT_EQ(rows[1], QStringLiteral("Клуб"));
  EXPECT_NE(rows[0], QStringLiteral("夜店音乐"));  // Chinese bytes in the Cyrillic code page
  MenuClick("option_item_language_cn");
  MenuClick("scene_item_load_scene");
  EXPECT_EQ(rows[0], QStringLiteral("夜店音乐"));
  MenuClick("option_item_language_en");
  MenuClick("scene_item_load_scene");
  EXPECT_NE(rows[0], QStringLiteral("夜店音乐"));
  EXPECT_NE(rows[1], QStringLiteral("Клуб"));
  EXPECT_EQ(amp_->counters().reportsReceived, reports);  // nothing asked again

  // English cannot write Cyrillic: refused with the characters named, nothing sent.
  boxes_.clear();
  AnswerSceneWindow(2, QStringLiteral("Клуб 2"));
  MenuClick("scene_item_saveas_scene");
  ASSERT_EQ(boxes_.size(), 1);
  EXPECT_EQ(boxes_[0], FillKeyText(QStringLiteral("${scene_name_unwritable}"), {QStringLiteral("Клуб")}));
  EXPECT_EQ(amp_->counters().reportsReceived, reports);
  EXPECT_TRUE(SceneNameSlotEmpty(amp_->Snapshot().sceneNames[2]));
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
}

// The reset erases the amplifier's settings and scenes: it is asked first,
// and declining sends nothing. Confirmed, the amplifier restarts and the
// program connects again and reads back by itself: edits reach it.
TEST_F(ToolWiringTest, FactoryResetAsksFirstAndTheAmplifierComesBackConnected) {
  amp_->SetRebootDowntime(std::chrono::milliseconds(30));
  timing().upgradeReconnectRetryMs = 20;
  Start();
  ASSERT_TRUE(Connected());
  const uint64_t reportsBefore = amp_->counters().reportsReceived;
  reply_ = ui::kResultCancel;
  MenuClick("option_item_reset_default");
  EXPECT_EQ(boxes_, QStringList{QStringLiteral("${factory_default_tips}")});
  EXPECT_FALSE(mgr().session().WorkerRunning());
  EXPECT_EQ(amp_->counters().reportsReceived, reportsBefore);
  EXPECT_EQ(amp_->Snapshot().scenes[0].mainVolume, 7);

  boxes_.clear();
  reply_ = ui::kResultConfirm;
  respond_ = [this](ui::UIWindow& w) { return WaitForLoadingWindow(w); };
  MenuClick("option_item_reset_default");
  EXPECT_TRUE(WaitFor([&] { return boxes_.contains(QStringLiteral("${device_reboot}")); }));
  EXPECT_EQ(amp_->Snapshot().scenes[0].mainVolume, sim::FactoryScene().mainVolume);
  // Reset (one loading window), then the read-back after the restart (another).
  ASSERT_TRUE(WaitFor([&] { return windows_.count(QStringLiteral("LoadingWnd")) >= 2; }));
  ASSERT_TRUE(Connected());
  EXPECT_TRUE(mgr().link().QueueGateOpen());
  // Read back: the amplifier's -1 dB from before the reset is gone.
  EXPECT_NE(live().mainVolume, MainVolumeFromDb(-1.0));
  Slide(QStringLiteral("slider_main_volume"), 30);
  EXPECT_TRUE(WaitFor([&] {
    return amp_->Snapshot().scenes[0].mainVolume == static_cast<uint8_t>(MainVolumeAttenuation(30));
  }));
  // The restart is expected: no "unplugged" or "cannot connect" notice.
  EXPECT_EQ(boxes_, (QStringList{QStringLiteral("${factory_default_tips}"), QStringLiteral("${device_reboot}")}));
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

// An amplifier that refuses the tool keeps its link (gate closed) for the
// upgrade from a file, which it takes without a restart (it is in its
// loader); the button looks disconnected and nothing is asked. Once
// upgraded, it restarts and the program connects normally.
TEST_F(ToolWiringTest, RefusingAmplifierIsUpgradedFromAFileOverItsLinkThenConnects) {
  test::ShrinkUpgradeTiming();
  timing().readBackSettleMs = 0;
  amp_->SetRebootDowntime(std::chrono::milliseconds(5));
  amp_->RefuseHandshake(true);
  test::TempDir dir;
  const test::Bytes body = test::Counting(200, 3);
  const std::string image = dir.Write("MCU_UPG.BIN", test::MakeImage(1, 78, body));
  bool sawRefusedState = false, gateClosed = false;
  int outcome = 0;
  respond_ = [&](ui::UIWindow& w) {
    auto* up = dynamic_cast<CUpdateFwWnd*>(&w);
    if (!up) return ConfirmUpgradeWarning(w) || WaitForLoadingWindow(w);
    sawRefusedState = State() == controller::ConnectState::Refused &&
                      Key(QStringLiteral("btnConnect")) == QStringLiteral("${btn_disconnected}");
    gateClosed = mgr().link().IsConnected() && !mgr().link().QueueGateOpen();
    outcome = UpgradeFrom(*up, image);
    return true;
  };
  Start();
  ASSERT_TRUE(WaitFor([&] { return outcome != 0; }, 15000)) << windows_.join(' ').toStdString() << " / "
                                                             << boxes_.join(' ').toStdString();
  EXPECT_TRUE(sawRefusedState);
  EXPECT_TRUE(gateClosed);
  EXPECT_EQ(outcome, WM_UPGRADE_DONE);
  EXPECT_EQ(upgradeWarnings_, 1);
  ASSERT_TRUE(Connected());
  EXPECT_EQ(amp_->Snapshot().upgrade.finishedTransfers, 1);
  EXPECT_EQ(amp_->Snapshot().upgrade.lastReceived, body);
  // Already in its loader: no restart before the transfer, one after it.
  EXPECT_EQ(amp_->Snapshot().upgrade.reboots, 1);
  EXPECT_EQ(boxes_, QStringList{QStringLiteral("${device_status_unnormal}")});
  Slide(QStringLiteral("slider_main_volume"), 30);
  EXPECT_TRUE(WaitFor([&] {
    return amp_->Snapshot().scenes[0].mainVolume == static_cast<uint8_t>(MainVolumeAttenuation(30));
  }));
}

// Refused, the window closed without an upgrade: disconnected, and nothing
// was asked or sent on the way (no save question on closing either).
TEST_F(ToolWiringTest, RefusedAmplifierIsDisconnectedWhenTheUpgradeWindowClosesUnused) {
  amp_->RefuseHandshake(true);
  Start();
  ASSERT_TRUE(Disconnected());
  EXPECT_FALSE(mgr().link().IsConnected());
  EXPECT_EQ(boxes_, QStringList{QStringLiteral("${device_status_unnormal}")});
  EXPECT_EQ(windows_.count(QStringLiteral("UpdateFwWnd")), 1);
  // The button connects again: refused again, the window offered again.
  Click(QStringLiteral("btnConnect"));
  ASSERT_TRUE(WaitFor([&] { return windows_.count(QStringLiteral("UpdateFwWnd")) == 2; }));
  ASSERT_TRUE(Disconnected());
  boxes_.clear();
  Send(Find(QStringLiteral("closebtn")), ui::notify::kClick);
  EXPECT_TRUE(boxes_.isEmpty()) << boxes_.join(' ').toStdString();
  EXPECT_TRUE(wnd_->IsClosed());
}

// Connected, upgraded from the menu: the amplifier restarts at the end and
// the program reads it back instead of showing "connected" over a dead link.
TEST_F(ToolWiringTest, UpgradeFromTheMenuEndsReadBackAndEditsReachTheAmplifier) {
  test::ShrinkUpgradeTiming();
  timing().readBackSettleMs = 0;
  amp_->SetRebootDowntime(std::chrono::milliseconds(5));
  test::TempDir dir;
  const test::Bytes body = test::Counting(200, 5);
  const std::string image = dir.Write("MCU_UPG.BIN", test::MakeImage(1, 78, body));
  int outcome = 0;
  respond_ = [&](ui::UIWindow& w) {
    auto* up = dynamic_cast<CUpdateFwWnd*>(&w);
    if (!up) return ConfirmUpgradeWarning(w) || WaitForLoadingWindow(w);
    outcome = UpgradeFrom(*up, image);
    return true;
  };
  Start();
  ASSERT_TRUE(Connected());
  MenuClick("option_item_firmware_upgrade");
  EXPECT_EQ(outcome, WM_UPGRADE_DONE);
  EXPECT_EQ(upgradeWarnings_, 1);
  EXPECT_EQ(amp_->Snapshot().upgrade.lastReceived, body);
  ASSERT_TRUE(WaitFor([&] { return windows_.count(QStringLiteral("LoadingWnd")) >= 2; }));
  ASSERT_TRUE(Connected());
  EXPECT_TRUE(mgr().link().QueueGateOpen());
  const uint8_t muted = amp_->Snapshot().scenes[0].mute;
  Click(QStringLiteral("main_mute"));
  EXPECT_TRUE(WaitFor([&] { return amp_->Snapshot().scenes[0].mute != muted; }));
  EXPECT_TRUE(boxes_.isEmpty()) << boxes_.join(' ').toStdString();
}

// A push whose command stays unconfirmed goes on; the user is told how many
// settings the amplifier did not confirm and may send them again.
TEST_F(ToolWiringTest, PushTellsWhatTheAmplifierDidNotConfirmAndSendsItAgain) {
  Start();
  ASSERT_TRUE(Connected());
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("tune.spf"));
  controller::SetProfileFileChooser([&](QWidget*, bool) { return file; });
  live().mainVolume = 12;
  mgr().SaveSenceConfigToFile();
  boxes_.clear();
  amp_->EnableTrace(true);
  // The 11th command of the push (channel 0's band 6) loses both answers.
  amp_->ArmFaultAfterReports(10, [](sim::VirtualAmplifier& a) { a.DropNextReplies(2); });
  reply_ = ui::kResultConfirm;
  respond_ = [this](ui::UIWindow& w) { return WaitForLoadingWindow(w); };
  mgr().LoadSenceConfigFromFile();
  const QString told = FillKeyText(QStringLiteral("${push_incomplete}"), {1});
  ASSERT_TRUE(WaitFor([&] { return boxes_.contains(told); }, 10000)) << boxes_.join(' ').toStdString();
  ASSERT_TRUE(WaitFor([&] { return !mgr().session().WorkerRunning(); }));
  // Confirmed: that one command went a third time, and was confirmed.
  EXPECT_TRUE(mgr().session().LastWorkerResult().ok()) << mgr().session().LastWorkerResult().Describe();
  const std::string trace = amp_->TraceText();
  size_t band6 = 0;
  for (size_t at = trace.find("-> AA 55 0D 01 06 BB 00 00 00 06 "); at != std::string::npos;
       at = trace.find("-> AA 55 0D 01 06 BB 00 00 00 06 ", at + 1)) {
    ++band6;
  }
  EXPECT_EQ(band6, 3u) << trace.substr(0, 2000);
  EXPECT_EQ(boxes_.count(told), 1);
  EXPECT_EQ(amp_->Snapshot().scenes[0].mainVolume, static_cast<uint8_t>(MainVolumeAttenuation(12)));
}

// A scene load the amplifier never took changes nothing and says so; one
// that failed after the recall says the live settings are unknown and reads
// them back.
TEST_F(ToolWiringTest, SceneLoadFailuresTellAndReadBackWhenTheLiveSettingsAreUnknown) {
  timing().sceneReadTimeoutMs = 200;
  amp_->WithState([](sim::AmplifierState& s) {
    s.scenes[4] = s.scenes[0];
    s.scenes[4].mainVolume = 20;
    s.sceneSaved[3] = true;
    s.sceneNames[3].fill(0);
    std::copy_n("Four", 4, s.sceneNames[3].begin());
  });
  Start();
  ASSERT_TRUE(Connected());
  const std::string before = Settings();
  reply_ = ui::kResultConfirm;
  // Scene 4 is loaded; its recall gets no answer.
  AnswerSceneWindow(3, QString());
  amp_->ArmFaultAfterReports(0, [](sim::VirtualAmplifier& a) { a.DropNextReplies(1); });
  MenuClick("scene_item_load_scene");
  EXPECT_TRUE(boxes_.contains(QStringLiteral("${scene_load_failed}"))) << boxes_.join(' ').toStdString();
  EXPECT_EQ(Settings(), before);
  EXPECT_TRUE(mgr().link().QueueGateOpen());

  // The recall is taken, the read-back after it breaks off.
  boxes_.clear();
  amp_->ArmFaultAfterReports(1, [](sim::VirtualAmplifier& a) { a.DropNextReplies(1); });
  MenuClick("scene_item_load_scene");
  EXPECT_TRUE(boxes_.contains(QStringLiteral("${scene_load_unknown}"))) << boxes_.join(' ').toStdString();
  ASSERT_TRUE(WaitFor([&] { return windows_.count(QStringLiteral("LoadingWnd")) >= 4; }));
  ASSERT_TRUE(Connected());
  // Read back: the scene's settings are the live ones now, and shown.
  EXPECT_EQ(amp_->Snapshot().scenes[0].mainVolume, 20);
  EXPECT_EQ(Shown(QStringLiteral("edit_main_volume")), QString::number(live().mainVolume));
  EXPECT_NE(Settings(), before);
}

}  // namespace
}  // namespace vlm::test
