// The application shell: settings file, language at start, single instance,
// command line, skin choice, the event sink and the main window's frame.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <thread>

#include "support/modal_answer.h"
#include "app/app_options.h"
#include "app/application.h"
#include "app/gui_event_sink.h"
#include "app/language_setup.h"
#include "app/main_wnd.h"
#include "app/settings_file.h"
#include "app/single_instance.h"
#include "device/messages.h"
#include "session/device_session.h"
#include "ui/language.h"
#include "ui/menu.h"
#include "ui/skin.h"
#include "windows/loading_wnd.h"

namespace vlm {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

using test::Answer;
// Settings in a folder of the test's own.
class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    ASSERT_TRUE(LoadSkin(QString()));
    ui::Language::Instance().Reset();
  }
  void TearDown() override { qputenv("XDG_CONFIG_HOME", oldConfig_); }
  QString Ini() const { return config_.filePath(QStringLiteral("tonwerk.ini")); }
  std::unique_ptr<InstanceLock> OwnLock() {
    return std::make_unique<InstanceLock>(InstanceLockPath(locks_.path()));
  }
  QTemporaryDir config_;
  QTemporaryDir locks_;
  QByteArray oldConfig_;
};

TEST_F(AppTest, SettingsFileLivesInTheUserConfigFolder) {
  EXPECT_EQ(SettingsFilePath(), Ini());
}

TEST_F(AppTest, LanguageSettingReadsLikeAnIniFile) {
  EXPECT_EQ(ReadLanguageSetting(), 0);  // no file
  WriteAll(Ini(), "[other]\nlan=2\n[Config]\n; note\n LAN = 1 \n");
  EXPECT_EQ(ReadLanguageSetting(), 1);
  WriteAll(Ini(), "[config]\nlan=abc\n");
  EXPECT_EQ(ReadLanguageSetting(), 0);
  WriteAll(Ini(), "[config]\nlan=3\n");
  EXPECT_EQ(ReadLanguageSetting(), 3);
  WriteAll(Ini(), "[config]\nother=1\n");
  EXPECT_EQ(ReadLanguageSetting(), 0);
}

TEST_F(AppTest, WritingTheLanguageKeepsTheRestOfTheFile) {
  ASSERT_TRUE(WriteLanguageSetting(2));
  EXPECT_EQ(ReadAll(Ini()), QByteArray("[config]\nlan=2\n"));
  WriteAll(Ini(), "[window]\nx=1\n\n[config]\nlan=0\nkeep=yes\n[later]\ny=2\n");
  ASSERT_TRUE(WriteLanguageSetting(1));
  EXPECT_EQ(ReadAll(Ini()), QByteArray("[window]\nx=1\n\n[config]\nlan=1\nkeep=yes\n[later]\ny=2\n"));
  WriteAll(Ini(), "[config]\nkeep=yes\n\n[later]\ny=2\n");
  ASSERT_TRUE(WriteLanguageSetting(2));
  EXPECT_EQ(ReadLanguageSetting(), 2);
  EXPECT_TRUE(ReadAll(Ini()).contains("keep=yes\nlan=2\n"));
  // Nothing is left beside the file.
  EXPECT_EQ(QDir(config_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("tonwerk.ini")});
}

TEST_F(AppTest, AudioSettingsKeepTheirValuesBesideTheLanguageAndFallBackWhenOutOfRange) {
  EXPECT_EQ(ReadAudioSettings(), AudioSettings{});  // no file: the defaults
  ASSERT_TRUE(WriteLanguageSetting(2));
  AudioSettings chosen;
  chosen.outputDevice = QStringLiteral("hw:1,0 USB Audio");
  chosen.inputDevice = QStringLiteral("mic\n[config]\nlan=0");  // one line in the file, whatever the id holds
  chosen.sampleRate = audio::kRate44k1;
  chosen.maxLevelDbfs = -12.5;
  chosen.sweepSeconds = 2.5;
  chosen.source = 5;
  chosen.micCalibration = QStringLiteral("/home/me/mic = cal.txt");
  ASSERT_TRUE(WriteAudioSettings(chosen));
  AudioSettings read = ReadAudioSettings();
  EXPECT_EQ(read.inputDevice, QStringLiteral("mic [config] lan=0"));
  read.inputDevice = chosen.inputDevice;
  EXPECT_EQ(read, chosen);
  EXPECT_EQ(ReadLanguageSetting(), 2);
  // Written again: each key once.
  ASSERT_TRUE(WriteAudioSettings(chosen));
  EXPECT_EQ(ReadAll(Ini()).count("sweep="), 1);

  // Values a hand-edited file may hold: each out of range is its default.
  WriteAll(Ini(), "[audio]\nrate=96000\nmaxlevel=3\nsweep=0.1\nsource=7\n[config]\nlan=1\n");
  EXPECT_EQ(ReadAudioSettings(), AudioSettings{});
  WriteAll(Ini(), "[audio]\nrate=abc\nmaxlevel=nan\nsweep=inf\nsource=2.5\n");
  EXPECT_EQ(ReadAudioSettings(), AudioSettings{});
}

TEST_F(AppTest, ASimulatedRunMeasuresWithTheVirtualCardInTheChosenCabin) {
  const AppOptions kept = CurrentAppOptions();
  const QString cabin = config_.filePath(QStringLiteral("cabin.json"));
  WriteAll(cabin, R"({ "speedOfSoundMps": 343.0, "noiseDbFs": -70.0, "loopback": true,
                       "speakers": [ { "channel": 1, "distanceM": 1.0, "levelDb": 0.0,
                                       "response": [[20, 0.0], [20000, 0.0]], "reflections": [] } ] })");
  AppOptions o = ParseAppOptions({QStringLiteral("--simulate"), QStringLiteral("--cabin"), cabin});
  ASSERT_TRUE(o.errors.isEmpty()) << o.errors.join(' ').toStdString();
  SetCurrentAppOptions(o);
  {
    CMainWnd main(OwnLock(), nullptr, false);
    std::string error;
    std::unique_ptr<audio::AudioBackend> card = main.MakeSoundCard(error);
    ASSERT_NE(card, nullptr) << error;
    EXPECT_EQ(card->Name(), "virtual");
    // The cabin file gone after the start: the measurement says so.
    ASSERT_TRUE(QFile::remove(cabin));
    EXPECT_EQ(main.MakeSoundCard(error), nullptr);
    EXPECT_NE(error.find("cabin.json"), std::string::npos) << error;
  }
  SetCurrentAppOptions(kept);
}

TEST_F(AppTest, FailedWriteLeavesTheOldFile) {
  // The settings path is a folder: nothing can be written, nothing is lost.
  const QString blocked = config_.filePath(QStringLiteral("blocked"));
  ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/tonwerk.ini")));
  EXPECT_FALSE(WriteLanguageSetting(blocked + QStringLiteral("/tonwerk.ini"), 1));
  EXPECT_TRUE(QFileInfo(blocked + QStringLiteral("/tonwerk.ini")).isDir());
}

TEST_F(AppTest, LanguageAtStartFollowsTheSettingAndIgnoresUnknownValues) {
  RegisterLanguages();
  EXPECT_EQ(ui::Language::Instance().Current(), QStringLiteral("en"));  // the default
  EXPECT_FALSE(SelectLanguageByValue(3));
  EXPECT_FALSE(SelectLanguageByValue(-1));
  EXPECT_EQ(ui::Language::Instance().Current(), QStringLiteral("en"));
  EXPECT_TRUE(SelectLanguageByValue(2));
  EXPECT_EQ(ui::Language::Instance().Current(), QStringLiteral("ru"));
  EXPECT_FALSE(SelectLanguageByValue(7));
  EXPECT_EQ(ui::Language::Instance().Current(), QStringLiteral("ru"));
  EXPECT_TRUE(SelectLanguageByValue(1));
  EXPECT_EQ(ui::Language::Instance().Current(), QStringLiteral("cn_zh"));
  EXPECT_EQ(LanguageValue(QStringLiteral("cn_zh")), 1);
  EXPECT_EQ(LanguageValue(QStringLiteral("de")), -1);
}

TEST_F(AppTest, MainWindowWithValue3KeepsTheDefaultLanguage) {
  WriteAll(Ini(), "[config]\nlan=3\n");
  CMainWnd main(OwnLock());
  main.Create(QStringLiteral("XML_MAIN"));
  EXPECT_EQ(ui::Language::Instance().Current(), QStringLiteral("en"));
  EXPECT_EQ(ReadAll(Ini()), QByteArray("[config]\nlan=3\n"));  // nothing written at start
  // The next change writes a valid value.
  main.SwitchLanguage(QStringLiteral("ru"));
  EXPECT_EQ(ReadLanguageSetting(), 2);
}

TEST_F(AppTest, SceneNamesUseTheCodePageOfTheLanguageFromStartOn) {
  WriteAll(Ini(), "[config]\nlan=1\n");
  CMainWnd main(OwnLock());
  main.Create(QStringLiteral("XML_MAIN"));
  EXPECT_EQ(main.Manager().session().codePage(), SceneNameCodePage::Chinese);
  main.SwitchLanguage(QStringLiteral("ru"));
  EXPECT_EQ(main.Manager().session().codePage(), SceneNameCodePage::Cyrillic);
  main.SwitchLanguage(QStringLiteral("en"));
  EXPECT_EQ(main.Manager().session().codePage(), SceneNameCodePage::Western);
}

TEST_F(AppTest, InstanceLockAllowsOneHolder) {
  EXPECT_EQ(InstanceName(), QStringLiteral("TONWERK4TO8_VLM24.60DSP"));
  const QString path = InstanceLockPath(locks_.path());
  EXPECT_TRUE(path.endsWith(QLatin1String("TONWERK4TO8_VLM24.60DSP.lock")));
  InstanceLock first(path), second(path);
  EXPECT_TRUE(first.TryAcquire());
  EXPECT_FALSE(second.TryAcquire());
  first.Release();
  EXPECT_TRUE(second.TryAcquire());
}

TEST_F(AppTest, LockOfACopyThatDiedIsTakenOver) {
  const QString path = InstanceLockPath(locks_.path());
  // A lock file naming a process that does not run (PID of a finished child).
  QProcess p;
  p.start(QStringLiteral("/bin/true"));
  ASSERT_TRUE(p.waitForFinished());
  const qint64 dead = p.processId() ? p.processId() : 999999;
  WriteAll(path, QByteArray::number(dead) + "\nvlm-tuner\n" + QSysInfo::machineHostName().toUtf8() + "\n");
  InstanceLock lock(path);
  EXPECT_TRUE(lock.TryAcquire());
}

TEST_F(AppTest, SecondCopyShowsTheMutexMessageAndCloses) {
  InstanceLock running(InstanceLockPath(locks_.path()));
  ASSERT_TRUE(running.TryAcquire());
  QString shownText, shownTitle;
  bool oneButton = false;
  Answer answer([&](ui::UIWindow& w) {
    shownText = w.FindControl<QLabel>(QStringLiteral("MessageText"))->text();
    shownTitle = w.windowTitle();
    oneButton = !w.FindControl<QPushButton>(QStringLiteral("cancel_btn"))->isVisible();
    w.FindControl<QPushButton>(QStringLiteral("confirm_btn"))->click();
  });
  CMainWnd second(OwnLock());
  second.Create(QStringLiteral("XML_MAIN"));
  EXPECT_TRUE(second.InstanceRejected());
  EXPECT_EQ(shownText, ui::Language::Instance().Text(QStringLiteral("mutex_tips")));
  EXPECT_EQ(shownTitle, ui::Language::Instance().Text(QStringLiteral("tips")));
  EXPECT_TRUE(oneButton);
  QApplication::processEvents();
  EXPECT_TRUE(second.IsClosed());
  // The first copy keeps its lock.
  EXPECT_TRUE(running.Held());
}

TEST_F(AppTest, MainWindowFrame) {
  CMainWnd main(OwnLock());
  main.Create(QStringLiteral("XML_MAIN"));
  EXPECT_FALSE(main.InstanceRejected());
  EXPECT_EQ(main.windowTitle(), QStringLiteral("VLM24.60 DSP Audio"));
  EXPECT_EQ(main.InitialSize(), QSize(1230, 650));
  EXPECT_EQ(main.size(), QSize(main.Scaled(1230), main.Scaled(650)));
  for (const char* name : {"minbtn", "closebtn", "btn_option", "btn_scene", "btn_advance", "btnConnect", "btnDpi"})
    EXPECT_NE(main.FindControl<QPushButton>(QString::fromLatin1(name)), nullptr) << name;
  EXPECT_NE(main.FindControl<QLineEdit>(QStringLiteral("edt_dpi")), nullptr);
  main.FindControl<QPushButton>(QStringLiteral("btn_option"))->click();
  ASSERT_NE(main.OpenMenu(), nullptr);
  EXPECT_TRUE(main.OpenMenu()->FindItem(QStringLiteral("option_item_language_en"))->isChecked());
  main.OpenMenu()->close();
  main.FindControl<QPushButton>(QStringLiteral("closebtn"))->click();
  EXPECT_TRUE(main.IsClosed());
}

TEST_F(AppTest, LanguageMenuSwitchesRewritesAndSkipsTheCurrentOne) {
  CMainWnd main(OwnLock());
  main.Create(QStringLiteral("XML_MAIN"));
  auto click = [&](const char* item) {
    auto r = std::make_unique<ui::MenuClickRecord>();
    r->name = QString::fromLatin1(item);
    ASSERT_TRUE(ui::PostWindowMessage(main.Handle(), WM_MENU_CLICK, 0, 0, ui::OwnedRecord(std::move(r))));
    QApplication::sendPostedEvents(&main);
  };
  click("option_item_language_en");  // already current: nothing written
  EXPECT_FALSE(QFile::exists(Ini()));
  click("option_item_language_ru");
  EXPECT_EQ(ui::Language::Instance().Current(), QStringLiteral("ru"));
  EXPECT_EQ(ReadLanguageSetting(), 2);
  EXPECT_EQ(main.FindControl<QPushButton>(QStringLiteral("btn_option"))->text(),
            ui::Language::Instance().Text(QStringLiteral("option")));
  click("option_item_language");  // toggles between Chinese and English
  EXPECT_EQ(ui::Language::Instance().Current(), QStringLiteral("cn_zh"));
  click("OPTION_ITEM_LANGUAGE");
  EXPECT_EQ(ui::Language::Instance().Current(), QStringLiteral("en"));
  EXPECT_EQ(ReadLanguageSetting(), 0);
}

TEST_F(AppTest, BusyMessagesShowAndCloseTheLoadingWindow) {
  CMainWnd main(OwnLock());
  main.Create(QStringLiteral("XML_MAIN"));
  int result = -1;
  bool wasLoading = false;
  Answer answer([&](ui::UIWindow& w) {
    wasLoading = qobject_cast<CLoadingWnd*>(&w) != nullptr && main.LoadingWindow() == &w;
    QObject::connect(&w, &ui::UIWindow::Closed, [&](int r) { result = r; });
    // The work ends: the owner is told while the loading window is up.
    ui::PostWindowMessage(main.Handle(), WM_BUSY_END);
    QApplication::sendPostedEvents(&main);
  });
  ASSERT_TRUE(ui::PostWindowMessage(main.Handle(), WM_BUSY_BEGIN));
  QApplication::sendPostedEvents(&main);
  EXPECT_TRUE(wasLoading);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(main.LoadingWindow(), nullptr);

  // Closed by the user: the reference goes all the same, and a late end is harmless.
  Answer user([&](ui::UIWindow& w) { w.FindControl<QPushButton>(QStringLiteral("closebtn"))->click(); });
  ui::PostWindowMessage(main.Handle(), WM_BUSY_BEGIN);
  QApplication::sendPostedEvents(&main);
  EXPECT_EQ(main.LoadingWindow(), nullptr);
  ui::PostWindowMessage(main.Handle(), WM_BUSY_END);
  QApplication::sendPostedEvents(&main);
}

TEST(AppOptionsTest, CommandLine) {
  qunsetenv("VLM_SKIN_DIR");
  AppOptions o = ParseAppOptions({QStringLiteral("--simulate"), QStringLiteral("--skin"), QStringLiteral("/x")});
  EXPECT_TRUE(o.simulate);
  EXPECT_FALSE(o.help);
  EXPECT_EQ(o.skinDir, QStringLiteral("/x"));
  EXPECT_TRUE(o.errors.isEmpty());
  o = ParseAppOptions({QStringLiteral("--help")});
  EXPECT_TRUE(o.help);
  EXPECT_FALSE(o.version);
  EXPECT_TRUE(ParseAppOptions({QStringLiteral("--version")}).version);
  o = ParseAppOptions({QStringLiteral("--skin")});
  EXPECT_EQ(o.errors.size(), 1);
  o = ParseAppOptions({QStringLiteral("--frobnicate")});
  EXPECT_EQ(o.errors.size(), 1);
  qputenv("VLM_SKIN_DIR", "/from/env");
  EXPECT_EQ(ParseAppOptions({}).skinDir, QStringLiteral("/from/env"));
  EXPECT_EQ(ParseAppOptions({QStringLiteral("--skin=/y")}).skinDir, QStringLiteral("/y"));
  qunsetenv("VLM_SKIN_DIR");
  EXPECT_TRUE(AppUsage().contains(QLatin1String("--simulate")));
  // The cabin belongs to the virtual amplifier.
  const QString cabin = QString::fromStdString(::testing::TempDir()) + QStringLiteral("app_cabin.json");
  {
    QFile file(cabin);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"speakers": [{"channel": 1, "distanceM": 1.2}]})");
  }
  o = ParseAppOptions({QStringLiteral("--simulate"), QStringLiteral("--cabin"), cabin});
  EXPECT_EQ(o.cabinFile, cabin);
  EXPECT_TRUE(o.errors.isEmpty()) << o.errors.join(' ').toStdString();
  {
    QFile file(cabin);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(R"({"speakers": [{"channel": 1}]})");
  }
  o = ParseAppOptions({QStringLiteral("--simulate"), QStringLiteral("--cabin"), cabin});
  ASSERT_EQ(o.errors.size(), 1);
  EXPECT_TRUE(o.errors[0].contains(QLatin1String("speakers[0] (channel 1).distanceM: missing"))) << o.errors[0].toStdString();
  QFile::remove(cabin);
  EXPECT_EQ(ParseAppOptions({QStringLiteral("--cabin=car.json")}).errors,
            QStringList{QStringLiteral("--cabin needs --simulate")});
}

TEST(SkinChoiceTest, FolderOnDiskOverridesAndABadOneFallsBack) {
  ASSERT_TRUE(LoadSkin(QStringLiteral(VLM_SOURCE_DIR "/skin")));
  EXPECT_EQ(ui::Skin::Instance().Root(), QStringLiteral(VLM_SOURCE_DIR "/skin"));
  QTemporaryDir empty;
  ASSERT_TRUE(LoadSkin(empty.path()));
  EXPECT_EQ(ui::Skin::Instance().Root(), ui::Skin::BuiltInRoot());
  EXPECT_FALSE(ui::Skin::Instance().LayoutFile(QStringLiteral("XML_MAIN")).isEmpty());
}

struct TestRecord : EventRecord {
  explicit TestRecord(std::atomic<int>* alive) : alive(alive) { ++*alive; }
  ~TestRecord() override { --*alive; }
  std::atomic<int>* alive;
};

class SinkWindow : public ui::UIWindow {
 public:
  SinkWindow() : ui::UIWindow(QStringLiteral("MainWnd"), QStringLiteral("main")) { SetDeleteOnClose(false); }
  int got = 0;

 protected:
  bool HandleMessage(ui::WindowMessage& m) override {
    if (auto r = m.record.Take<EventRecord>(); r && dynamic_cast<TestRecord*>(r.get())) got = m.message;
    return true;
  }
};

TEST(GuiEventSinkTest, PostsReachTheBoundWindowAndUnboundOnesAreFreed) {
  std::atomic<int> alive{0};
  GuiEventSink sink;
  EXPECT_FALSE(sink.Post(Receiver::MainWindow, WM_DSP_EVENT, 1, 0, std::make_unique<TestRecord>(&alive)));
  EXPECT_EQ(alive, 0);
  {
    SinkWindow w;
    sink.SetReceiver(Receiver::MainWindow, w.Handle());
    std::thread reader([&] {
      EXPECT_TRUE(sink.Post(Receiver::MainWindow, WM_DSP_EVENT, 1, 0, std::make_unique<TestRecord>(&alive)));
      EXPECT_FALSE(sink.Post(Receiver::SceneWindow, WM_SCENE_EVENT, 1, 0, std::make_unique<TestRecord>(&alive)));
    });
    reader.join();
    QApplication::sendPostedEvents(&w);
    EXPECT_EQ(w.got, WM_DSP_EVENT);
    EXPECT_EQ(alive, 0);
    // One more that the window never handles.
    EXPECT_TRUE(sink.Post(Receiver::MainWindow, WM_DSP_EVENT, 1, 0, std::make_unique<TestRecord>(&alive)));
  }
  EXPECT_EQ(alive, 0);
  EXPECT_FALSE(sink.Post(Receiver::MainWindow, WM_DSP_EVENT, 1, 0, std::make_unique<TestRecord>(&alive)));
  EXPECT_EQ(alive, 0);
}

}  // namespace
}  // namespace vlm
