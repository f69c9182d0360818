#pragma once
// Where the skin lives and how its files are found: the index "xml/res.xml"
// maps layout and menu ids to files, and images are looked up by base name
// with a variant per display scale.
#include <QHash>
#include <QPixmap>
#include <QString>

namespace vlm::ui {

// The display scales the skin carries variants for, ascending.
inline constexpr int kSkinScales[] = {80, 100, 125, 150, 200, 300};

// The scale in percent that a window DPI value selects (77 -> 80, 96 -> 100,
// 144 -> 150, 192 -> 200, 288 -> 300; other values proportionally to 96).
int ScaleForDpi(int dpi);

class Skin {
 public:
  static Skin& Instance();

  // The built-in skin is ":/skin"; a folder on disk may take its place.
  static QString BuiltInRoot();
  void SetRoot(const QString& root);
  QString Root() const { return root_; }

  // Reads "xml/res.xml" under the root. Returns false (and leaves an empty
  // index) when the index is missing or malformed.
  bool LoadIndex();
  bool HasIndex() const { return !layouts_.isEmpty(); }

  // The file of a layout or menu id; empty when the id is unknown.
  QString LayoutFile(const QString& id) const;
  QString MenuFile(const QString& id) const;
  QStringList LayoutIds() const { return layouts_.keys(); }

  // A path under the root (no check that it exists).
  QString FilePath(const QString& relative) const;
  QByteArray ReadFile(const QString& relative) const;

  // The image file for `base` ("car", "car.png" or "img/car.png") at
  // `scalePercent`; when that variant is missing the nearest scale that exists
  // is taken (the larger on a tie, since shrinking looks better than
  // enlarging). `*foundScale` tells which one. Empty when no variant exists.
  QString ImageFile(const QString& base, int scalePercent, int* foundScale = nullptr) const;
  // The image at `scalePercent`, resized from the nearest variant when the
  // exact one is missing. A null pixmap when the image does not exist.
  QPixmap Image(const QString& base, int scalePercent) const;

  // The style sheet "style/<name>.qss" with sizes written as "<n>sp" turned
  // into pixels at `scalePercent`.
  QString StyleSheet(const QString& name, int scalePercent) const;

 private:
  Skin();
  QString root_;
  QHash<QString, QString> layouts_;  // id -> relative file
  QHash<QString, QString> menus_;
};

// Turns every "<n>sp" of a style sheet into "<n * scale / 100>px".
QString ScaleStyleSheet(const QString& qss, int scalePercent);

}  // namespace vlm::ui
