#include "ui/skin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cmath>

#include "base/log.h"

// The skin's resources are compiled into the GUI library; a static library
// needs its resource initialiser called by name, outside any namespace.
static void InitSkinResources() {
#ifdef VLM_HAVE_SKIN_QRC
  Q_INIT_RESOURCE(skin);
#endif
}

namespace vlm::ui {

int ScaleForDpi(int dpi) {
  switch (dpi) {
    case 77: return 80;
    case 96: return 100;
    case 120: return 125;
    case 144: return 150;
    case 192: return 200;
    case 288: return 300;
    default: break;
  }
  if (dpi <= 0) return 100;
  return (dpi * 100 + 48) / 96;
}

Skin& Skin::Instance() {
  static Skin skin;
  return skin;
}

Skin::Skin() {
  InitSkinResources();
  root_ = BuiltInRoot();
}

QString Skin::BuiltInRoot() { return QStringLiteral(":/skin"); }

void Skin::SetRoot(const QString& root) {
  root_ = root;
  while (root_.size() > 1 && root_.endsWith('/')) root_.chop(1);
  layouts_.clear();
  menus_.clear();
}

QString Skin::FilePath(const QString& relative) const {
  QString rel = relative;
  rel.replace('\\', '/');
  while (rel.startsWith('/')) rel.remove(0, 1);
  return root_ + '/' + rel;
}

QByteArray Skin::ReadFile(const QString& relative) const {
  QFile f(FilePath(relative));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

bool Skin::LoadIndex() {
  layouts_.clear();
  menus_.clear();
  const QByteArray bytes = ReadFile(QStringLiteral("xml/res.xml"));
  if (bytes.isEmpty()) {
    LogMessage("skin index missing under %s\n", root_.toUtf8().constData());
    return false;
  }
  QXmlStreamReader xml(bytes);
  QHash<QString, QString> layouts, menus;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto name = xml.name();
    const QString id = xml.attributes().value(QLatin1String("id")).toString();
    const QString file = xml.attributes().value(QLatin1String("file")).toString();
    if (id.isEmpty() || file.isEmpty()) continue;
    if (name == QLatin1String("layout")) layouts.insert(id, file);
    else if (name == QLatin1String("menu")) menus.insert(id, file);
  }
  if (xml.hasError()) {
    LogMessage("skin index unreadable: %s\n", xml.errorString().toUtf8().constData());
    return false;
  }
  layouts_ = layouts;
  menus_ = menus;
  return !layouts_.isEmpty();
}

QString Skin::LayoutFile(const QString& id) const { return layouts_.value(id); }

QString Skin::MenuFile(const QString& id) const {
  auto it = menus_.constFind(id);
  if (it != menus_.constEnd()) return *it;
  // Menus may also be named by their file ("xml/option_menu.xml"): the file's
  // base name is then the id.
  return menus_.value(QFileInfo(id).completeBaseName());
}

namespace {

// "car", "car.png", "img/car.png" -> ("img/car", ".png")
void SplitImageName(const QString& name, QString* stem, QString* ext) {
  QString n = name;
  n.replace('\\', '/');
  const int slash = n.lastIndexOf('/');
  const int dot = n.lastIndexOf('.');
  if (dot > slash) {
    *ext = n.mid(dot);
    n.truncate(dot);
  } else {
    *ext = QStringLiteral(".png");
  }
  if (slash < 0) n.prepend(QStringLiteral("img/"));
  *stem = n;
}

}  // namespace

QString Skin::ImageFile(const QString& base, int scalePercent, int* foundScale) const {
  if (base.isEmpty()) return {};
  QString stem, ext;
  SplitImageName(base, &stem, &ext);
  auto variant = [&](int scale) {
    return scale == 100 ? FilePath(stem + ext) : FilePath(QStringLiteral("%1@%2%3").arg(stem).arg(scale).arg(ext));
  };
  // Candidates ordered by distance to the wanted scale, larger first on a tie.
  QList<int> scales;
  for (int s : kSkinScales) scales.append(s);
  if (!scales.contains(scalePercent)) scales.append(scalePercent);
  std::stable_sort(scales.begin(), scales.end(), [&](int a, int b) {
    const int da = std::abs(a - scalePercent), db = std::abs(b - scalePercent);
    if (da != db) return da < db;
    return a > b;
  });
  for (int s : scales) {
    const QString path = variant(s);
    if (QFileInfo::exists(path)) {
      if (foundScale) *foundScale = s;
      return path;
    }
  }
  return {};
}

QPixmap Skin::Image(const QString& base, int scalePercent) const {
  int found = 0;
  const QString path = ImageFile(base, scalePercent, &found);
  if (path.isEmpty()) return {};
  QPixmap pm(path);
  if (pm.isNull() || found == scalePercent || found <= 0) return pm;
  const QSize size(std::max(1, static_cast<int>(std::lround(pm.width() * double(scalePercent) / found))),
                   std::max(1, static_cast<int>(std::lround(pm.height() * double(scalePercent) / found))));
  return pm.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QString ScaleStyleSheet(const QString& qss, int scalePercent) {
  static const QRegularExpression re(QStringLiteral("(\\d+)sp\\b"));
  QString out;
  out.reserve(qss.size());
  qsizetype last = 0;
  auto it = re.globalMatch(qss);
  while (it.hasNext()) {
    const auto m = it.next();
    out += qss.mid(last, m.capturedStart() - last);
    const int n = m.captured(1).toInt();
    const int px = std::max(n > 0 ? 1 : 0, static_cast<int>(std::lround(n * scalePercent / 100.0)));
    out += QString::number(px) + QStringLiteral("px");
    last = m.capturedEnd();
  }
  out += qss.mid(last);
  return out;
}

QString Skin::StyleSheet(const QString& name, int scalePercent) const {
  const QByteArray bytes = ReadFile(QStringLiteral("style/%1.qss").arg(name));
  QString qss = ScaleStyleSheet(QString::fromUtf8(bytes), scalePercent);
  // Images in the style sheet are written "url(skin:img/x.png)" so that they
  // follow the skin root and pick the variant of the window's scale. A
  // declaration whose image does not exist is left out, so the style's own
  // drawing stays.
  static const QRegularExpression img(QStringLiteral("[\\w-]+\\s*:[^;{}]*url\\(skin:([^)]+)\\)[^;{}]*;?"));
  QString out;
  qsizetype last = 0;
  auto it = img.globalMatch(qss);
  while (it.hasNext()) {
    const auto m = it.next();
    out += qss.mid(last, m.capturedStart() - last);
    const QString file = ImageFile(m.captured(1), scalePercent);
    if (!file.isEmpty()) {
      QString decl = m.captured(0);
      // Quoted: variant names hold "@", which the style sheet parser rejects bare.
      decl.replace(m.capturedStart(1) - m.capturedStart(0) - 5, m.capturedLength(1) + 5,
                   QLatin1Char('"') + file + QLatin1Char('"'));
      out += decl;
    }
    last = m.capturedEnd();
  }
  out += qss.mid(last);
  return out;
}

}  // namespace vlm::ui
