#pragma once
// The one-key settings file "tonwerk.ini": section "config", key "lan"
// (0 English, 1 Chinese, 2 Russian).
#include <QString>

namespace vlm {

// "$XDG_CONFIG_HOME/tonwerk.ini" (the generic per-user configuration folder);
// the working folder when that cannot be found. Built anew on each call.
QString SettingsFilePath();

// The "lan" value of the file at `path`; 0 when the file or key is missing
// or the value is not a number.
int ReadLanguageSetting(const QString& path);
int ReadLanguageSetting();

// Writes "lan" into section "config" of `path`, keeping every other line of
// the file. The file is replaced whole (written aside, then renamed), so a
// failed write leaves the old file. Returns false on failure.
bool WriteLanguageSetting(const QString& path, int value);
bool WriteLanguageSetting(int value);

}  // namespace vlm
