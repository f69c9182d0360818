#pragma once
// The settings file "tonwerk.ini": section "config", key "lan" (0 English,
// 1 Chinese, 2 Russian); section "audio", the measurement's sound card
// settings (output, input, rate, maxlevel, sweep, source, miccal).
#include <QList>
#include <QPair>
#include <QString>

#include "windows/audio_settings.h"

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

// The value of `key` in `section` of `path`; null when the file, section or
// key is missing.
QString ReadSetting(const QString& path, const QString& section, const QString& key);
// Writes each key = value into `section` of `path`, keeping every other line;
// replaced whole like the language (a failed write leaves the old file).
bool WriteSettings(const QString& path, const QString& section, const QList<QPair<QString, QString>>& values);

// The audio settings of `path`; each value missing or out of range is its default.
AudioSettings ReadAudioSettings(const QString& path);
AudioSettings ReadAudioSettings();
bool WriteAudioSettings(const QString& path, const AudioSettings& settings);
bool WriteAudioSettings(const AudioSettings& settings);

}  // namespace vlm
