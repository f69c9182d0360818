#include "app/settings_file.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include "base/log.h"

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

int ReadLanguageSetting(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return 0;
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
    if (section.compare(kSection, Qt::CaseInsensitive) != 0) continue;
    if (KeyOf(t).compare(kKey, Qt::CaseInsensitive) != 0) continue;
    const QString value = t.mid(t.indexOf('=') + 1).trimmed();
    // Read like a C integer conversion: leading digits count.
    int i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    long long n = 0;
    for (; i < value.size() && value[i].isDigit() && n < 1'000'000'000; ++i) n = n * 10 + value[i].digitValue();
    return static_cast<int>(negative ? -n : n);
  }
  return 0;
}

int ReadLanguageSetting() { return ReadLanguageSetting(SettingsFilePath()); }

bool WriteLanguageSetting(const QString& path, int value) {
  QStringList lines;
  {
    QFile f(path);
    if (f.open(QIODevice::ReadOnly | QIODevice::Text)) lines = QString::fromUtf8(f.readAll()).split('\n');
  }
  while (!lines.isEmpty() && lines.back().trimmed().isEmpty()) lines.removeLast();
  const QString entry = QStringLiteral("%1=%2").arg(kKey).arg(value);
  int sectionAt = -1, insertAt = -1;
  bool written = false;
  QString section;
  for (int i = 0; i < lines.size() && !written; ++i) {
    const QString t = lines[i].trimmed();
    QString name;
    if (IsSection(t, &name)) {
      if (sectionAt >= 0) break;  // end of our section
      section = name;
      if (section.compare(kSection, Qt::CaseInsensitive) == 0) sectionAt = insertAt = i;
      continue;
    }
    if (sectionAt < 0) continue;
    if (!t.isEmpty()) insertAt = i;
    if (KeyOf(t).compare(kKey, Qt::CaseInsensitive) == 0) {
      lines[i] = entry;
      written = true;
    }
  }
  if (!written) {
    if (sectionAt < 0) {
      if (!lines.isEmpty()) lines.append(QString());
      lines.append(QStringLiteral("[%1]").arg(kSection));
      lines.append(entry);
    } else {
      lines.insert(insertAt + 1, entry);
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

bool WriteLanguageSetting(int value) { return WriteLanguageSetting(SettingsFilePath(), value); }

}  // namespace vlm
