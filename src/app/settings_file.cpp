#include "app/settings_file.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <cmath>

#include "base/log.h"
#include "model/model_constants.h"

namespace vlm {

namespace {
const QString kSection = QStringLiteral("config");
const QString kKey = QStringLiteral("lan");

bool IsSection(const QString& trimmed, QString* name) {
  if (!trimmed.startsWith('[')) return false;
  const int close = trimmed.indexOf(']');
  if (close < 0) return false;
  *name = trimmed.mid(1, close - 1).trimmed();
  return true;
}

// "key = value" -> key; empty for other lines.
QString KeyOf(const QString& trimmed) {
  if (trimmed.startsWith(';') || trimmed.startsWith('#')) return {};
  const int eq = trimmed.indexOf('=');
  return eq <= 0 ? QString() : trimmed.left(eq).trimmed();
}
}  // namespace

QString SettingsFilePath() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (folder.isEmpty()) folder = QDir::currentPath();
  return QDir(folder).filePath(QStringLiteral("tonwerk.ini"));
}

QString ReadSetting(const QString& path, const QString& sectionName, const QString& key) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
  QString section;
  for (const QString& line : lines) {
    const QString t = line.trimmed();
    QString name;
    if (IsSection(t, &name)) {
      section = name;
      continue;
    }
    // Section and key names compare without regard to case, as INI readers do.
    if (section.compare(sectionName, Qt::CaseInsensitive) != 0) continue;
    if (KeyOf(t).compare(key, Qt::CaseInsensitive) != 0) continue;
    return t.mid(t.indexOf('=') + 1).trimmed();
  }
  return {};
}

int ReadLanguageSetting(const QString& path) {
  const QString value = ReadSetting(path, kSection, kKey);
  // Read like a C integer conversion: leading digits count.
  int i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  long long n = 0;
  for (; i < value.size() && value[i].isDigit() && n < 1'000'000'000; ++i) n = n * 10 + value[i].digitValue();
  return static_cast<int>(negative ? -n : n);
}

int ReadLanguageSetting() { return ReadLanguageSetting(SettingsFilePath()); }

bool WriteSettings(const QString& path, const QString& sectionName, const QList<QPair<QString, QString>>& values) {
  QStringList lines;
  {
    QFile f(path);
    if (f.open(QIODevice::ReadOnly | QIODevice::Text)) lines = QString::fromUtf8(f.readAll()).split('\n');
  }
  while (!lines.isEmpty() && lines.back().trimmed().isEmpty()) lines.removeLast();
  for (const auto& [key, value] : values) {
    // A value is one line: a line break would start another key.
    QString flat = value;
    flat.replace('\n', ' ').replace('\r', ' ');
    const QString entry = QStringLiteral("%1=%2").arg(key, flat);
    int sectionAt = -1, insertAt = -1;
    bool written = false;
    QString section;
    for (int i = 0; i < lines.size() && !written; ++i) {
      const QString t = lines[i].trimmed();
      QString name;
      if (IsSection(t, &name)) {
        if (sectionAt >= 0) break;  // end of our section
        section = name;
        if (section.compare(sectionName, Qt::CaseInsensitive) == 0) sectionAt = insertAt = i;
        continue;
      }
      if (sectionAt < 0) continue;
      if (!t.isEmpty()) insertAt = i;
      if (KeyOf(t).compare(key, Qt::CaseInsensitive) == 0) {
        lines[i] = entry;
        written = true;
      }
    }
    if (!written) {
      if (sectionAt < 0) {
        if (!lines.isEmpty()) lines.append(QString());
        lines.append(QStringLiteral("[%1]").arg(sectionName));
        lines.append(entry);
      } else {
        lines.insert(insertAt + 1, entry);
      }
    }
  }
  QDir().mkpath(QFileInfo(path).absolutePath());
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
  out.write((lines.join('\n') + '\n').toUtf8());
  if (!out.commit()) {
    LogMessage("settings file %s not written\n", path.toUtf8().constData());
    return false;
  }
  return true;
}

bool WriteLanguageSetting(const QString& path, int value) {
  return WriteSettings(path, kSection, {{kKey, QString::number(value)}});
}

bool WriteLanguageSetting(int value) { return WriteLanguageSetting(SettingsFilePath(), value); }

// ---- the audio settings of a measurement ------------------------------------

namespace {
const QString kAudio = QStringLiteral("audio");

// The number in `text` when it is one within [lo, hi], else `fallback`.
double NumberOr(const QString& text, double lo, double hi, double fallback) {
  bool ok = false;
  const double v = text.toDouble(&ok);
  return ok && std::isfinite(v) && v >= lo && v <= hi ? v : fallback;
}
}  // namespace

AudioSettings ReadAudioSettings(const QString& path) {
  AudioSettings s;
  auto get = [&path](const char* key) { return ReadSetting(path, kAudio, QString::fromLatin1(key)); };
  s.outputDevice = get("output");
  s.inputDevice = get("input");
  const int rate = static_cast<int>(NumberOr(get("rate"), 0, 1e6, s.sampleRate));
  if (rate == audio::kRate48k || rate == audio::kRate44k1) s.sampleRate = rate;
  s.maxLevelDbfs = NumberOr(get("maxlevel"), kMinLevelDbfs, kMaxLevelDbfs, s.maxLevelDbfs);
  s.sweepSeconds = NumberOr(get("sweep"), kMinSweepSeconds, kMaxSweepSeconds, s.sweepSeconds);
  const double source = NumberOr(get("source"), 0, kInputSources - 1, s.source);
  if (source == std::floor(source)) s.source = static_cast<int>(source);
  s.micCalibration = get("miccal");
  return s;
}

AudioSettings ReadAudioSettings() { return ReadAudioSettings(SettingsFilePath()); }

bool WriteAudioSettings(const QString& path, const AudioSettings& s) {
  return WriteSettings(path, kAudio,
                       {{QStringLiteral("output"), s.outputDevice},
                        {QStringLiteral("input"), s.inputDevice},
                        {QStringLiteral("rate"), QString::number(s.sampleRate)},
                        {QStringLiteral("maxlevel"), QString::number(s.maxLevelDbfs, 'g', 6)},
                        {QStringLiteral("sweep"), QString::number(s.sweepSeconds, 'g', 6)},
                        {QStringLiteral("source"), QString::number(s.source)},
                        {QStringLiteral("miccal"), s.micCalibration}});
}

bool WriteAudioSettings(const AudioSettings& s) { return WriteAudioSettings(SettingsFilePath(), s); }

}  // namespace vlm
