// The main window's device life against the virtual amplifier: connecting
// at start with the read-back, plug-out and plug-in, refused and foreign
// amplifiers, the connect button, closing, and the profile files.
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <functional>

#include "controller/control_access.h"
#include "controller/profile_files.h"
#include "model/conversions.h"
#include "model/profile_file.h"
#include "sim/sim_hotplug.h"
#include "life_fixture.h"

namespace vlm::test {
namespace {

const QString kConnected = QStringLiteral("${btn_connected}");
const QString kDisconnected = QStringLiteral("${btn_disconnected}");
// Where the amplifier's main volume (wire 7: -1 dB) puts the slider.
const int kAmpPosition = MainVolumeFromDb(-1.0);

TEST_F(DeviceLifeTest, StartConnectsReadsBackAndEditsReachTheAmplifier) {
  Start();
  ASSERT_TRUE(Connected());
  EXPECT_TRUE(boxes_.isEmpty()) << boxes_.join(' ').toStdString();
  EXPECT_EQ(Key(QStringLiteral("btnConnect")), kConnected);
  EXPECT_TRUE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("btnConnect"))));
  // The amplifier's -1 dB, not the program's default "off".
  EXPECT_EQ(live().mainVolume, kAmpPosition);
  EXPECT_EQ(Shown(QStringLiteral("edit_main_volume")), QString::number(kAmpPosition));
  EXPECT_TRUE(mgr().link().QueueGateOpen());
  Slide(QStringLiteral("slider_main_volume"), 30);
  EXPECT_EQ(Amp().scenes[0].mainVolume, static_cast<uint8_t>(MainVolumeAttenuation(30)));
}

TEST_F(DeviceLifeTest, UnplugTellsTheUserAndReplugReconnects) {
  Start();
  ASSERT_TRUE(Connected());
  amp_->Unplug();
  ASSERT_TRUE(Disconnected());
  EXPECT_TRUE(WaitFor([&] { return boxes_.contains(QStringLiteral("${device_plugout}")); }));
  EXPECT_EQ(Key(QStringLiteral("btnConnect")), kDisconnected);
  EXPECT_FALSE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("btnConnect"))));
  EXPECT_FALSE(mgr().link().IsConnected());
  amp_->Plug();
  ASSERT_TRUE(Connected());
  EXPECT_EQ(Key(QStringLiteral("btnConnect")), kConnected);
  EXPECT_EQ(live().mainVolume, kAmpPosition);
}

TEST_F(DeviceLifeTest, UnplugDuringTheReadBackAppliesNothing) {
  amp_->SetReportLatency(std::chrono::microseconds(3000));
  Start();
  const std::string before = Settings();
  ASSERT_EQ(State(), controller::ConnectState::Connecting);
  EXPECT_EQ(Key(QStringLiteral("btnConnect")), QStringLiteral("${btn_connecting}"));
  QThread::msleep(30);
  ASSERT_TRUE(mgr().session().WorkerRunning());  // still reading
  amp_->Unplug();
  ASSERT_TRUE(Disconnected());
  EXPECT_EQ(Settings(), before);
  EXPECT_EQ(Shown(QStringLiteral("edit_main_volume")), ui::Language::Instance().Resolve(QStringLiteral("${off}")));
  EXPECT_TRUE(boxes_.contains(QStringLiteral("${device_plugout}")));
  // The user was told the amplifier went; "cannot connect" would only confuse.
  EXPECT_FALSE(boxes_.contains(QStringLiteral("${device_connect_fail}")));
  amp_->SetReportLatency(std::chrono::microseconds(0));
  amp_->Plug();
  ASSERT_TRUE(Connected());
  EXPECT_EQ(live().mainVolume, kAmpPosition);
}

TEST_F(DeviceLifeTest, RefusingAndForeignAmplifiersEndDisconnectedWithTheirMessage) {
  amp_->RefuseHandshake(true);
  Start();
  ASSERT_TRUE(Disconnected());
  EXPECT_TRUE(boxes_.contains(QStringLiteral("${device_status_unnormal}"))) << boxes_.join(' ').toStdString();
  EXPECT_FALSE(mgr().link().IsConnected());
  // The refusal offers the file-upgrade window after telling the user.
  EXPECT_EQ(windows_.mid(windows_.indexOf(QStringLiteral("MsgWnd")), 2),
            (QStringList{QStringLiteral("MsgWnd"), QStringLiteral("UpdateFwWnd")}));

  boxes_.clear();
  amp_->RefuseHandshake(false);
  amp_->SetModel(77);
  Click(QStringLiteral("btnConnect"));
  ASSERT_TRUE(Disconnected());
  ASSERT_FALSE(boxes_.isEmpty());
  EXPECT_TRUE(boxes_.front().startsWith(ui::Language::Instance().Resolve(QStringLiteral("${device_not_match}"))))
      << boxes_.join(' ').toStdString();
  EXPECT_TRUE(boxes_.front().endsWith(QStringLiteral(" 77")));
  EXPECT_EQ(Key(QStringLiteral("btnConnect")), kDisconnected);
}

TEST_F(DeviceLifeTest, ConnectButtonTellsAFailureAndAsksBeforeDisconnecting) {
  amp_->Unplug();
  Start();
  ASSERT_TRUE(Disconnected());
  EXPECT_TRUE(boxes_.isEmpty());  // the automatic attempt says nothing
  Click(QStringLiteral("btnConnect"));
  EXPECT_EQ(boxes_, QStringList{QStringLiteral("${device_connect_fail}")});

  boxes_.clear();
  amp_->Plug();
  ASSERT_TRUE(Connected());
  int saved = 0;
  bool saves = false;  // whether the scene window ends with a save
  mgr().life().SetSaveSceneHandler([&] {
    ++saved;
    return saves;
  });
  // Cancel, or the scene list closed without a save: still connected.
  reply_ = ui::kResultCancel;
  Click(QStringLiteral("btnConnect"));
  reply_ = ui::kResultConfirm;
  Click(QStringLiteral("btnConnect"));
  EXPECT_EQ(saved, 1);
  EXPECT_TRUE(Connected());
  EXPECT_TRUE(amp_->Snapshot().pcConnected);
  boxes_.clear();
  saves = true;
  Click(QStringLiteral("btnConnect"));
  ASSERT_TRUE(Disconnected());
  EXPECT_EQ(boxes_, QStringList{QStringLiteral("${save_scene_to_dsp_warning}")});
  EXPECT_EQ(saved, 2);
  EXPECT_FALSE(amp_->Snapshot().pcConnected);
}

TEST_F(DeviceLifeTest, ClosingAsksWhileConnectedAndTellsTheAmplifier) {
  Start();
  ASSERT_TRUE(Connected());
  EXPECT_TRUE(amp_->Snapshot().pcConnected);
  // Cancel (the button, Escape or the box's close button all answer 0)
  // keeps the window and the amplifier.
  Send(Find(QStringLiteral("closebtn")), ui::notify::kClick);
  EXPECT_EQ(boxes_, QStringList{QStringLiteral("${save_scene_to_dsp_warning}")});
  EXPECT_FALSE(wnd_->IsClosed());
  EXPECT_TRUE(amp_->Snapshot().pcConnected);
  // The window system's close asks the same.
  wnd_->show();
  wnd_->close();
  EXPECT_FALSE(wnd_->IsClosed());
  EXPECT_TRUE(wnd_->isVisible());
  EXPECT_EQ(boxes_.size(), 2);
  // "Don't save" closes, once.
  reply_ = ui::kResultThird;
  Send(Find(QStringLiteral("closebtn")), ui::notify::kClick);
  EXPECT_EQ(boxes_.size(), 3);
  EXPECT_TRUE(wnd_->IsClosed());
  EXPECT_FALSE(amp_->Snapshot().pcConnected);

  // Disconnected, and without the question (a signal): nothing is asked.
  boxes_.clear();
  wnd_.reset();
  Start();
  ASSERT_TRUE(Connected());
  wnd_->CloseWithoutQuestion();
  EXPECT_TRUE(boxes_.isEmpty());
  EXPECT_FALSE(amp_->Snapshot().pcConnected);
}

TEST_F(DeviceLifeTest, DisplayChangeStartsANewCopyAndClosesWithoutTheQuestion) {
  Start();
  ASSERT_TRUE(Connected());
  int started = 0;
  wnd_->SetRestarter([&] { return ++started > 0; });
  wnd_->RestartOnDisplayChange();
  wnd_->RestartOnDisplayChange();  // one restart, however many changes come
  EXPECT_EQ(started, 1);
  EXPECT_TRUE(wnd_->IsClosed());
  EXPECT_TRUE(boxes_.isEmpty());
  EXPECT_FALSE(amp_->Snapshot().pcConnected);
}

TEST_F(DeviceLifeTest, ProfileFilesSaveWithTheirExtensionAndABrokenOneChangesNothing) {
  Start();
  ASSERT_TRUE(Connected());
  QTemporaryDir dir;
  QString chosen;
  controller::SetProfileFileChooser([&](QWidget*, bool) { return chosen; });

  chosen = dir.filePath(QStringLiteral("mine"));
  mgr().SaveSenceConfigToFile();
  EXPECT_TRUE(QFile::exists(chosen + QStringLiteral(".spf")));
  EXPECT_EQ(boxes_.takeLast(), QStringLiteral("${profile_save_ok}"));

  const std::string before = Settings();
  for (const char* text : {"{\"model\":78,", "{\"model\":77}", "{\"model\":78,\"mainVolume\":3}"}) {
    chosen = dir.filePath(QStringLiteral("broken.spf"));
    QFile f(chosen);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.close();
    mgr().LoadSenceConfigFromFile();
    EXPECT_EQ(Settings(), before) << text;
    ASSERT_FALSE(boxes_.isEmpty());
    EXPECT_NE(boxes_.takeLast(), QStringLiteral("${profile_save_ok}"));
  }
  EXPECT_EQ(boxes_, QStringList{});

  // A good file becomes the settings and the amplifier's.
  live().mainVolume = 10;
  chosen = dir.filePath(QStringLiteral("ten.spf"));
  mgr().SaveSenceConfigToFile();
  live().mainVolume = 26;
  mgr().LoadSenceConfigFromFile();
  EXPECT_EQ(live().mainVolume, 10);
  EXPECT_EQ(Shown(QStringLiteral("edit_main_volume")), QStringLiteral("10"));
  ASSERT_TRUE(WaitFor([&] { return !mgr().session().WorkerRunning(); }));
  EXPECT_TRUE(mgr().session().LastWorkerResult().ok()) << mgr().session().LastWorkerResult().Describe();
  EXPECT_EQ(amp_->Snapshot().scenes[0].mainVolume, static_cast<uint8_t>(MainVolumeAttenuation(10)));
}

}  // namespace
}  // namespace vlm::test
