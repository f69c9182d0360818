#include "controller/profile_files.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "app/settings_file.h"
#include "base/log.h"
#include "model/profile_file.h"
#include "windows/msg_wnd.h"

namespace vlm::controller {

namespace {

ProfileFileChooser& Chooser() {
  static ProfileFileChooser chooser;
  return chooser;
}

void Tell(QWidget* owner, const char* key) {
  ShowMessageEx(owner, QStringLiteral("${tips}"), QString::fromLatin1(key),
                {QStringLiteral("${confirm}")}, 1);
}

}  // namespace

QString ProfileFileFilter(int lan) {
  if (lan == 1) return QStringLiteral("场景配置文件(*.spf);;所有文件(*.*)");
  return QStringLiteral("Scene Profile(*.spf);;All Files(*.*)");
}

QString WithProfileExtension(const QString& path) {
  if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
  return path + QStringLiteral(".spf");
}

void SetProfileFileChooser(ProfileFileChooser chooser) { Chooser() = std::move(chooser); }

QString ChooseProfileFile(QWidget* owner, bool save) {
  if (Chooser()) return Chooser()(owner, save);
  // Read each time: the language may have changed since the last dialog.
  const QString filter = ProfileFileFilter(ReadLanguageSetting());
  QString selected = filter.section(QStringLiteral(";;"), 0, 0);
  if (save) {
    return QFileDialog::getSaveFileName(owner, QString(), QDir::currentPath(), filter, &selected);
  }
  return QFileDialog::getOpenFileName(owner, QString(), QDir::currentPath(), filter, &selected);
}

bool LoadProfileFile(QWidget* owner, const QString& path, SceneProfile& target) {
  LogMessage("GetOpenFileName %s ok\n", path.toUtf8().constData());
  SceneProfile copy = target;
  const ProfileLoadResult result = ReadSceneProfile(QFile::encodeName(path).toStdString(), copy);
  if (!result.ok()) {
    LogMessage("read profile file error! %s\n", result.detail.c_str());
    Tell(owner, ProfileLoadMessageKey(result.status));
    return false;
  }
  for (const std::string& note : result.clamped) LogMessage("profile value clamped: %s\n", note.c_str());
  target = copy;
  LogMessage("read profile file ok\n");
  return true;
}

bool SaveProfileFile(QWidget* owner, const QString& path, const SceneProfile& profile) {
  LogMessage("GetOpenFileName %s ok\n", path.toUtf8().constData());
  const ProfileSaveResult result = WriteSceneProfile(profile, QFile::encodeName(path).toStdString());
  if (!result.ok) LogMessage("write profile file error! %s\n", result.detail.c_str());
  Tell(owner, ProfileSaveMessageKey(result.ok));
  return result.ok;
}

}  // namespace vlm::controller
