#pragma once
// The scene profile files of the main window: the open and save dialogs
// (filters in the language of the "lan" setting), the ".spf" the save gives a
// name typed without an extension, and the message boxes of both. A file
// that does not load leaves the settings as they were.
#include <QString>
#include <functional>

#include "model/scene_profile.h"

class QWidget;

namespace vlm::controller {

// The dialogs' filter: Chinese texts when `lan` is 1, else English.
QString ProfileFileFilter(int lan);
// `path` with ".spf" when its file name has no extension.
QString WithProfileExtension(const QString& path);

// Asks for a file (save or open); empty when the user cancelled. Tests
// replace the dialogs; null puts them back.
using ProfileFileChooser = std::function<QString(QWidget* owner, bool save)>;
void SetProfileFileChooser(ProfileFileChooser chooser);
QString ChooseProfileFile(QWidget* owner, bool save);

// Reads `path` into a copy of `target` and takes it over only when the
// whole file loaded; otherwise the box says why and `target` is untouched.
bool LoadProfileFile(QWidget* owner, const QString& path, SceneProfile& target);
// Writes `profile` to `path` and tells the outcome.
bool SaveProfileFile(QWidget* owner, const QString& path, const SceneProfile& profile);

}  // namespace vlm::controller
