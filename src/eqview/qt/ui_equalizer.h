#pragma once
// The equaliser curve control ("Curve" in layouts): draws every shown
// channel's response over a log-frequency grid and lets the user drag bands,
// Q handles and crossover corners. The state and the drag logic live in
// CurveEditor; this class paints it and turns Qt events into its calls and
// its notices into the toolkit's notifications.
#include <QColor>
#include <QFont>
#include <QStaticText>
#include <vector>
#include <QWidget>
#include <span>

#include "eqview/curve_editor.h"

namespace vlm::eqview {

class UIEqualizer : public QWidget {
  Q_OBJECT

 public:
  explicit UIEqualizer(QWidget* parent = nullptr);

  // Makes layouts' "Curve" elements (any case) create this control.
  static void Register();

  QString GetClass() const { return QStringLiteral("UIEqualizer"); }

  // Operations of the controller.
  void SetBands(std::span<const BandInput> bands, int current, bool bypassed = false);
  void setCurEqHpLp(int hpFreq, int lpFreq);
  // `count` rows of 512 frequencies and levels, as the profile holds them.
  void SetCurves(const double* freqs, const double* levels, int count, int currentChannel,
                 std::span<const int> show, int unused = 0);
  // The same for every channel of a profile, with its show flags.
  void SetCurves(const SceneProfile& profile, int currentChannel);
  void SetDragAllDirection(bool on);

  // The report of a drag: what `part` (a band, `band`, or a corner) holds
  // now, with the current gesture. Every notification carries it (its
  // address as the notification's lparam, valid while it is delivered).
  CurveDrag DragOf(Notice part, int band) const;

  // What a drag left behind.
  int BandCount() const { return editor_.bandCount(); }
  float BandGain(int i) const { return editor_.band(i).gain; }
  float BandQ(int i) const { return editor_.band(i).q; }
  int BandFrequency(int i) const { return editor_.band(i).freq; }
  int HpFreq() const { return editor_.hpFreq(); }
  int LpFreq() const { return editor_.lpFreq(); }
  int CurrentBand() const { return editor_.currentBand(); }

  // Layout attributes; the layout loader hands them over as dynamic
  // properties, which arrive here too. Unknown names are ignored. "font"
  // is taken by QWidget's own property, so layouts give the font index as
  // "fontindex".
  void SetAttribute(const QString& name, const QString& value);

  // Display scale in percent; without one set, the window's scale is used.
  void SetScalePercent(int percent);
  int ScalePercent() const;

  const CurveEditor& editor() const { return editor_; }
  Qt::Alignment textAlignment() const { return align_; }
  QRgb textColor() const { return textColor_; }
  QMargins textPadding() const { return padding_; }
  int fontIndex() const { return fontIndex_; }

 signals:
  // Every notification also leaves as a signal: type and the user-data index.
  void notify(const QString& type, int index);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  bool event(QEvent* e) override;

 private:
  void Apply(const MouseOutcome& outcome);
  void SyncBounds();
  QFont FontFor(int index) const;
  int TextFlags() const;
  void DrawText(class QPainter& p, const Rect& r, const QString& text, const QColor& color, const QFont& font) const;
  void DrawCurve(class QPainter& p, int slot, bool current) const;
  void DrawAxes(class QPainter& p);
  // Laid-out texts of the axis labels and band numbers, rebuilt when the
  // editor lays its frame out again (a size, scale or font change), never
  // per paint.
  struct CachedText {
    QStaticText text;
    QRect rect;
  };
  std::vector<CachedText> axisTexts_;
  std::vector<QStaticText> bandTexts_;
  int cachedGeneration_ = -1;

  CurveEditor editor_;
  int gesture_ = 0;
  int scaleOverride_ = 0;
  bool focused_ = false;
  bool autoCalcWidth_ = false;
  int fontIndex_ = -1;
  int bypassFontIndex_ = -1;
  Qt::Alignment align_ = Qt::AlignHCenter | Qt::AlignVCenter;
  bool wordBreak_ = false;
  bool endEllipsis_ = false;
  bool noPrefix_ = false;
  QRgb textColor_ = 0xFF444444;
  QRgb disabledTextColor_ = 0;
  QMargins padding_;
};

}  // namespace vlm::eqview
