#include "app/screenshots.h"
#include "app/snapshot_shots.h"
#include "app/ab_shots.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QThread>
#include <QLineEdit>
#include <QPixmap>
#include <functional>
#include <utility>
#include <vector>

#include "app/equaliser_shot.h"
#include "app/language_setup.h"
#include "app/life_screenshots.h"
#include "app/measure_shots.h"
#include "app/recovery_shots.h"
#include "app/solo_shots.h"
#include "app/main_wnd.h"
#include "app/speaker_shots.h"
#include "app/undo_shots.h"
#include "windows/copy_channel_wnd.h"
#include "app/align_shots.h"
#include "app/tuning_shots.h"
#include "app/wizard_shots.h"
#include "ui/language.h"
#include "device/messages.h"
#include "model/settings_store.h"
#include "windows/about_wnd.h"
#include "windows/mixer_wnd.h"
#include "windows/scene_wnd.h"
#include "windows/force_update_wnd.h"
#include "windows/update_fw_wnd.h"
#include "upgrade/carried_firmware.h"
#include "windows/loading_wnd.h"
#include "windows/msg_checkbox_wnd.h"
#include "windows/key_text.h"
#include "windows/msg_wnd.h"
#include "windows/name_msg_wnd.h"

namespace vlm {

namespace {

bool Save(ui::UIWindow* w, const QDir& dir, const QString& name, const QString& lang) {
  w->show();
  QApplication::processEvents();
  const bool ok = w->grab().save(dir.filePath(QStringLiteral("%1_%2.png").arg(name, lang)));
  w->Close(ui::kResultCancel);
  return ok;
}

}  // namespace

void PrepareMainWindowShot(CMainWnd& main) {
  // A channel as an installer leaves it, edited through the controller as
  // the user would: crossover corners, slope and type, gain and delay, with
  // two more channels' curves shown beside it.
  EqualizerManager& m = main.Manager();
  const controller::MainControls& c = m.controls();
  auto type = [](QLineEdit* edit, const char* text) {
    if (edit) edit->setText(QString::fromLatin1(text));
  };
  auto pick = [](QComboBox* combo, int index) {
    if (combo) combo->setCurrentIndex(index);
  };
  m.live().showChEqualizer[0] = 1;
  m.live().showChEqualizer[4] = 1;
  m.channels().SetCurChannelChange(2);
  type(c.hpFreq, "120");
  m.crossover().SetHpFreq();
  type(c.lpFreq, "2k5");
  m.crossover().SetLpFreq();
  pick(c.hpSlope, 4);
  m.crossover().SetHpSlope();
  pick(c.lpType, 1);
  m.crossover().SetLpType();
  type(c.editChVolume, "-3dB");
  m.channels().SetChVolumeEdit();
  type(c.speakerDelay[2], "1.25");
  m.speakers().SetDelayEdit(2);
  m.channels().SetCurChannelChange(2);
}

// The upgrade windows as their workers leave them: messages posted to the
// window as a worker would, handled, then the picture.
// The firmware window's file dialog (Qt's own, under the window's style) in
// a folder holding what "vlmctl firmware export" writes and one file the
// filter hides.
static bool SaveFileDialogShot(CMainWnd& main, const QDir& dir, const QString& lang) {
  QTemporaryDir files;
  if (!files.isValid()) return false;
  QStringList names{QStringLiteral("notes.txt")};
  for (const upgrade::CarriedImage& image : upgrade::CarriedImages()) names << QString::fromLatin1(image.fileName);
  for (const QString& name : names) {
    QFile f(files.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write("\0", 1) != 1) return false;
  }
  auto* wnd = new CUpdateFwWnd(&main, main.Manager().link());
  wnd->Create(QStringLiteral("XML_UPDATE_FW"));
  // A path already there: the focus on an empty one would open the real dialog.
  wnd->SetPath(files.filePath(names.back()));
  wnd->show();
  bool ok = false;
  {
    QFileDialog dialog(wnd, QString(), files.path(), CUpdateFwWnd::FileFilter());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.resize(wnd->width() * 6 / 5, wnd->width() * 3 / 4);
    dialog.show();
    // The folder is read on a thread of the dialog's model.
    for (int i = 0; i < 40; ++i) {
      QApplication::processEvents();
      QThread::msleep(10);
    }
    dialog.selectFile(files.filePath(QString::fromLatin1(upgrade::CarriedImages().front().fileName)));
    QApplication::processEvents();
    ok = dialog.grab().save(dir.filePath(QStringLiteral("file_dialog_%1.png").arg(lang)));
  }
  wnd->Close(ui::kResultCancel);
  return ok;
}

bool SaveUpgradeShots(CMainWnd& main, const QDir& dir, const QString& lang) {
  bool ok = SaveFileDialogShot(main, dir, lang);
  struct Shot {
    const char* name;
    std::vector<std::pair<int, int>> posts;
  };
  const Shot fileShots[] = {{"update_fw_progress", {{WM_UPGRADE_PROGRESS, 50}}},
                            {"update_fw_done", {{WM_UPGRADE_PROGRESS, 100}, {WM_UPGRADE_DONE, 0}}},
                            {"update_fw_failed", {{WM_UPGRADE_PROGRESS, 17}, {WM_UPGRADE_FAILED, 0}}}};
  for (const Shot& shot : fileShots) {
    auto* wnd = new CUpdateFwWnd(&main, main.Manager().link());
    wnd->Create(QStringLiteral("XML_UPDATE_FW"));
    wnd->SetPath(QStringLiteral("/home/user/VLM24.60DSP_MCU_UPG.bin"));
    for (auto [msg, value] : shot.posts) ui::PostWindowMessage(wnd->Handle(), msg, value, 0);
    QApplication::processEvents();
    ok = Save(wnd, dir, QString::fromLatin1(shot.name), lang) && ok;
  }
  const Shot forcedShots[] = {{"force_update_progress", {{WM_UPGRADE_MCU_STARTED, 0}, {WM_UPGRADE_PROGRESS, 63}}},
                              {"force_update_done", {{WM_UPGRADE_PROGRESS, 100}, {WM_UPGRADE_DONE, 0}}},
                              {"force_update_failed", {{WM_UPGRADE_PROGRESS, 30}, {WM_UPGRADE_FAILED, 0}}}};
  for (const Shot& shot : forcedShots) {
    auto* wnd = new CForceUpdateWnd(&main, main.Manager().link(), QStringLiteral("/tmp/vlm-firmware-Xy12Ab/MCU_UPG.bin"),
                                    QStringLiteral("/tmp/vlm-firmware-Xy12Ab/FLASH_UPG.bin"));
    wnd->Create(QStringLiteral("XML_FORCE_UPDATE"));
    wnd->ShowStageForPicture(1);
    for (auto [msg, value] : shot.posts) ui::PostWindowMessage(wnd->Handle(), msg, value, 0);
    QApplication::processEvents();
    ok = Save(wnd, dir, QString::fromLatin1(shot.name), lang) && ok;
  }
  return ok;
}

// Names as a user of each language gives them, in the language's code page.
struct SceneShotNames {
  SceneNameCodePage page;
  const char16_t* names[4];  // scenes 1, 2, 5 and 10
};
constexpr SceneShotNames kSceneShotNames[] = {
    {SceneNameCodePage::Western, {u"Club", u"Jazz 2", u"Stage", u"Night"}},
    {SceneNameCodePage::Chinese, {u"夜店", u"爵士 2", u"舞台", u"夜晚"}},
    {SceneNameCodePage::Cyrillic, {u"Клуб", u"Джаз 2", u"Сцена", u"Ночь"}},
};

// The scene window in its three modes over some named scenes, and the notice
// for a name the language's code page cannot hold.
static bool SaveSceneShots(CMainWnd& main, const QDir& dir, const LanguageEntry& language) {
  const QString lang = QString::fromLatin1(language.name);
  SettingsStore scenes;
  for (const SceneShotNames& set : kSceneShotNames) {
    if (set.page != language.page) continue;
    const int numbers[] = {1, 2, 5, 10};
    for (size_t i = 0; i < std::size(numbers); ++i) scenes.setSceneName(numbers[i], set.names[i], set.page);
  }
  bool ok = true;
  const char* const sceneShots[] = {"scene_load", "scene_save", "scene_delete"};
  for (int m = 0; m < 3; ++m) {
    SceneWindowHost host;
    host.store = &scenes;
    host.page = language.page;
    auto* sceneWnd = new CSceneWnd(&main, static_cast<SceneMode>(m), host);
    sceneWnd->Create(QStringLiteral("XML_SENCE_PROFILE"));
    if (m == 1 && sceneWnd->List()) sceneWnd->List()->setCurrentRow(1);
    ok = Save(sceneWnd, dir, QString::fromLatin1(sceneShots[m]), lang) && ok;
  }
  // Characters of a script the language's code page cannot write.
  const QString foreign = language.page == SceneNameCodePage::Chinese ? QStringLiteral("클럽") : QStringLiteral("夜店");
  auto* refused = new CMsgWnd(&main);
  refused->Create(QStringLiteral("XML_MSG"));
  refused->SetTexts(QStringLiteral("${tips}"), FillKeyText(QStringLiteral("${scene_name_unwritable}"), {foreign}));
  refused->SetButtons({QStringLiteral("${confirm}"), QString(), QString()}, 1);
  ok = Save(refused, dir, QStringLiteral("msg_scene_name_refused"), lang) && ok;
  return ok;
}

bool SaveScreenshots(const QString& path) {
  QDir dir(path);
  if (!dir.mkpath(QStringLiteral("."))) return false;
  RegisterLanguages();
  // The pictured connections keep their snapshots aside, not in the user's folder.
  QTemporaryDir snapshotData;
  qputenv("XDG_DATA_HOME", snapshotData.path().toLocal8Bit());
  // A lock of its own, so that pictures can be taken while the program runs.
  auto lock = std::make_unique<InstanceLock>(dir.filePath(QStringLiteral("screenshot.lock")));
  CMainWnd main(std::move(lock), nullptr, false);
  main.Create(QStringLiteral("XML_MAIN"));
  bool ok = true;
  for (const LanguageEntry& entry : kLanguages) {
    const QString lang = QString::fromLatin1(entry.name);
    ui::Language::Instance().Select(lang);
    ui::RetranslateAll();
    for (const ShotScale& scale : kMainScales) {
      main.SetDpi(scale.dpi);
      if (auto* dpiEdit = main.FindControl<QLineEdit>(QStringLiteral("edt_dpi")))
        dpiEdit->setText(QString::number(scale.dpi));
      PrepareMainWindowShot(main);
      main.show();
      QApplication::processEvents();
      // Coming down from a larger scale the window keeps the old size until
      // its layout has taken the new minimum; then it takes its own size.
      main.resize(main.Scaled(main.InitialSize().width()), main.Scaled(main.InitialSize().height()));
      QApplication::processEvents();
      const QString file = QStringLiteral("main_%1%2.png").arg(lang, QString::fromLatin1(scale.suffix));
      ok = main.grab().save(dir.filePath(file)) && ok;
      if (scale.dpi == kMainScales[0].dpi) {
        ok = SaveOutputMenuShot(main, dir, lang) && ok;
        ok = SaveLinkedShot(main, dir, lang) && ok;
        ok = SaveUndoMenuShots(main, dir, lang) && ok;
      }
    }
    // The same window with an edited equaliser; the settings are put back
    // for the next language's pictures.
    for (const ShotScale& scale : kMainScales) {
      const SceneProfile kept = main.Manager().live();
      main.SetDpi(scale.dpi);
      if (auto* dpiEdit = main.FindControl<QLineEdit>(QStringLiteral("edt_dpi")))
        dpiEdit->setText(QString::number(scale.dpi));
      PrepareMainWindowShot(main);
      PrepareEqualiserShot(main);
      QApplication::processEvents();
      main.resize(main.Scaled(main.InitialSize().width()), main.Scaled(main.InitialSize().height()));
      QApplication::processEvents();
      const QString file = QStringLiteral("main_eq_%1%2.png").arg(lang, QString::fromLatin1(scale.suffix));
      ok = main.grab().save(dir.filePath(file)) && ok;
      main.Manager().live() = kept;
    }

    auto* msg = new CMsgWnd(&main);
    msg->Create(QStringLiteral("XML_MSG"));
    msg->SetTexts(QStringLiteral("${tips}"), QStringLiteral("${device_connect_fail}"));
    msg->SetButtons({QStringLiteral("${confirm}"), QStringLiteral("${cancel}"), QStringLiteral("${exit}")}, 3);
    ok = Save(msg, dir, QStringLiteral("msg"), lang) && ok;

    // The question on closing or disconnecting, with its three answers.
    auto* closing = new CMsgWnd(&main);
    closing->Create(QStringLiteral("XML_MSG"));
    closing->SetTexts(QStringLiteral("${tips}"), QStringLiteral("${save_scene_to_dsp_warning}"));
    closing->SetButtons({QStringLiteral("${save_to_scene}"), QStringLiteral("${cancel}"),
                         QStringLiteral("${leave_without_saving}")},
                        3);
    ok = Save(closing, dir, QStringLiteral("msg_closing"), lang) && ok;

    // The scene-delete question.
    auto* deleting = new CMsgWnd(&main);
    deleting->Create(QStringLiteral("XML_MSG"));
    deleting->SetTexts(QStringLiteral("${tips}"),
                       FillKeyText(QStringLiteral("${delete_scene_tips}"), {4, QStringLiteral("Club")}));
    deleting->SetButtons({QStringLiteral("${confirm}"), QStringLiteral("${cancel}"), QString()}, 2);
    ok = Save(deleting, dir, QStringLiteral("msg_scene_delete"), lang) && ok;

    // The longest notice: settings the amplifier did not answer for.
    auto* incomplete = new CMsgWnd(&main);
    incomplete->Create(QStringLiteral("XML_MSG"));
    incomplete->SetTexts(QStringLiteral("${tips}"), QStringLiteral("${device_read_incomplete}"));
    incomplete->SetButtons({QStringLiteral("${confirm}"), QString(), QString()}, 1);
    ok = Save(incomplete, dir, QStringLiteral("msg_read_incomplete"), lang) && ok;

    auto* choice = new CMsgCheckBoxWnd(&main);
    choice->Create(QStringLiteral("XML_CHECKBOX_MSG"));
    choice->SetTexts(QStringLiteral("${tips}"), QStringLiteral("${link_tips}"), QStringLiteral("${copy_left_to_right}"),
                     QStringLiteral("${copy_right_to_left}"));
    ok = Save(choice, dir, QStringLiteral("choice"), lang) && ok;

    // The channel copy dialog, with a refusal's line shown.
    auto* copy = new CCopyChannelWnd(&main);
    copy->Create(QStringLiteral("XML_COPY_CHANNEL"));
    copy->Show({2, 4, kCopyCrossovers | kCopyBands | kCopyGain});
    ui::SetText(copy->FindControl<QLabel>(QStringLiteral("copy_message")), QStringLiteral("${copy_nothing_ticked}"));
    ok = Save(copy, dir, QStringLiteral("copy_channel"), lang) && ok;

    QString name = QStringLiteral("Scene1");
    auto* entryWnd = new CNameMsgWnd(&main, &name);
    entryWnd->Create(QStringLiteral("XML_MSG_NAME"));
    ok = Save(entryWnd, dir, QStringLiteral("name"), lang) && ok;

    auto* loading = new CLoadingWnd(&main);
    loading->Create(QStringLiteral("XML_LOADING"));
    ok = Save(loading, dir, QStringLiteral("loading"), lang) && ok;

    auto* about = new CAboutWnd(&main, AboutIdentity{78, 16, 19});
    about->Create(QStringLiteral("XML_ABOUT"));
    ok = Save(about, dir, QStringLiteral("about"), lang) && ok;

    auto* aboutOff = new CAboutWnd(&main, AboutIdentity{});
    aboutOff->Create(QStringLiteral("XML_ABOUT"));
    ok = Save(aboutOff, dir, QStringLiteral("about_disconnected"), lang) && ok;

    ok = SaveSceneShots(main, dir, entry) && ok;
    // The mixer for a source with ten inputs and one with two.
    for (int source : {5, 0}) {
      auto* mixer = new CMixerWnd(&main, source, main.Manager().live(), main.Manager().link());
      mixer->Create(QStringLiteral("XML_MIXER"));
      ok = Save(mixer, dir, QStringLiteral("mixer_%1").arg(source), lang) && ok;
    }
    ok = SaveTuningShots(main, dir, lang) && ok;
    ok = SaveAlignShots(main, dir, lang) && ok;
    ok = SaveUpgradeShots(main, dir, lang) && ok;
    ok = SaveSnapshotShots(main, dir, lang) && ok;
    QApplication::processEvents();
  }
  ok = SaveLifeScreenshots(dir) && ok;
  ok = SaveRecoveryShots(dir) && ok;
  ok = SaveAbShots(dir) && ok;
  ok = SaveSoloShots(dir) && ok;
  ok = SaveMeasureShots(dir) && ok;
  ok = SaveAutoSetupShots(dir) && ok;
  return ok;
}

}  // namespace vlm
