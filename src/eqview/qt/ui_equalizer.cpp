#include "eqview/qt/ui_equalizer.h"

#include <QDynamicPropertyChangeEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "base/log.h"
#include "ui/control_factory.h"
#include "ui/language.h"
#include "ui/notification.h"
#include "ui/window.h"

namespace vlm::eqview {
namespace {

constexpr QRgb kGridColour = 0xFF444444;
constexpr QRgb kBypassTextColour = 0x77777777;
constexpr QRgb kOtherCurveColour = 0xFF646464;
constexpr QRgb kCurrentCurveColour = 0xFF00C000;
constexpr QRgb kMarkColour = 0xFFFF0000;
constexpr QRgb kLabelColour = 0xFFFFFFFF;
// Caption offset of the all-bypass text; not scaled.
constexpr int kBypassTextTop = 40;

constexpr QRgb kMarkerColour = 0xFFE0E0E0;

constexpr int kGridFrequencies[] = {20,   30,   40,   50,   60,   70,   80,   90,   100,  200,
                                    300,  400,  500,  600,  700,  800,  900,  1000, 2000, 3000,
                                    4000, 5000, 6000, 7000, 8000, 9000, 10000, 20000};

// The skin's font table: pixel sizes at 100 % by font index.
constexpr int kFontPixels[] = {11, 12, 13, 14, 16, 18, 22};

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// "#AARRGGBB" or "AARRGGBB"; six digits mean an opaque colour.
bool ParseColour(QString text, QRgb* out) {
  text = text.trimmed();
  if (text.startsWith('#')) text.remove(0, 1);
  bool ok = false;
  const uint value = text.toUInt(&ok, 16);
  if (!ok) return false;
  *out = text.size() <= 6 ? (value | 0xFF000000u) : value;
  return true;
}

Qt::CursorShape ToQt(CursorShape shape) {
  switch (shape) {
    case CursorShape::Hand:
      return Qt::PointingHandCursor;
    case CursorShape::SizeHorizontal:
      return Qt::SizeHorCursor;
    case CursorShape::SizeVertical:
      return Qt::SizeVerCursor;
    case CursorShape::SizeAll:
      return Qt::SizeAllCursor;
    case CursorShape::Arrow:
      break;
  }
  return Qt::ArrowCursor;
}

const QString& NoticeType(Notice n) {
  switch (n) {
    case Notice::Hp:
      return ui::notify::kEqualizerHp;
    case Notice::Lp:
      return ui::notify::kEqualizerLp;
    case Notice::Eq:
      break;
  }
  return ui::notify::kEqualizerEq;
}

// Layouts may name "Curve" as soon as the control is linked in.
[[maybe_unused]] const bool kRegistered = (UIEqualizer::Register(), true);

}  // namespace

UIEqualizer::UIEqualizer(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
}

void UIEqualizer::Register() {
  ui::RegisterControlClass(QStringLiteral("Curve"), [](QWidget* parent) -> QWidget* { return new UIEqualizer(parent); });
}

void UIEqualizer::SyncBounds() {
  editor_.SetScale(ScalePercent());
  const QFont labelFont = FontFor(fontIndex_);
  const QFontMetrics metrics(labelFont);
  const int key = static_cast<int>(qHash(labelFont.key()) & 0x7FFFFFFF);
  editor_.SetTextMeasure({[metrics](std::string_view text) {
                            return metrics.horizontalAdvance(
                                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
                          },
                          metrics.height()},
                         key);
  // A new size lays the plot out again (the markers follow the grid).
  editor_.SetBounds({0, 0, width(), height()});
}

void UIEqualizer::SetBands(std::span<const BandInput> bands, int current, bool bypassed) {
  SyncBounds();
  editor_.SetBands(bands, current, bypassed);
  update();
}

void UIEqualizer::setCurEqHpLp(int hpFreq, int lpFreq) {
  SyncBounds();
  editor_.SetCurEqHpLp(hpFreq, lpFreq);
  update();
}

void UIEqualizer::SetCurves(const double* freqs, const double* levels, int count, int currentChannel,
                            std::span<const int> show, int unused) {
  if (count <= 0) return;
  editor_.SetCurves(freqs, levels, count, currentChannel, show, unused);
  update();
}

void UIEqualizer::SetCurves(const SceneProfile& profile, int currentChannel) {
  SetCurves(profile.curveFrequencies[0].data(), profile.curveLevels[0].data(), kOutputChannels, currentChannel,
            profile.showChEqualizer);
}

void UIEqualizer::SetDragAllDirection(bool on) {
  editor_.SetDragAllDirection(on);
  update();
}

void UIEqualizer::SetScalePercent(int percent) {
  scaleOverride_ = percent;
  SyncBounds();
  update();
}

int UIEqualizer::ScalePercent() const {
  if (scaleOverride_ > 0) return scaleOverride_;
  for (const QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (const auto* window = qobject_cast<const ui::UIWindow*>(w)) return window->ScalePercent();
  }
  return 100;
}

void UIEqualizer::SetAttribute(const QString& name, const QString& value) {
  const QString key = name.toLower();
  if (key == "align") {
    align_ &= ~Qt::AlignHorizontal_Mask;
    if (value.contains("left")) align_ |= Qt::AlignLeft;
    else if (value.contains("right")) align_ |= Qt::AlignRight;
    else align_ |= Qt::AlignHCenter;
  } else if (key == "valign") {
    align_ &= ~Qt::AlignVertical_Mask;
    if (value.contains("top")) align_ |= Qt::AlignTop;
    else if (value.contains("bottom")) align_ |= Qt::AlignBottom;
    else align_ |= Qt::AlignVCenter;
    wordBreak_ = false;
  } else if (key == "endellipsis") {
    endEllipsis_ = value == "true";
  } else if (key == "wordbreak") {
    wordBreak_ = value == "true";
  } else if (key == "noprefix") {
    noPrefix_ = value == "true";
  } else if (key == "font" || key == "fontindex") {
    fontIndex_ = value.trimmed().toInt();
  } else if (key == "bypassfont") {
    bypassFontIndex_ = value.trimmed().toInt();
  } else if (key == "textcolor") {
    ParseColour(value, &textColor_);
  } else if (key == "disabledtextcolor") {
    ParseColour(value, &disabledTextColor_);
  } else if (key == "textpadding") {
    const QStringList parts = value.split(',');
    if (parts.size() == 4) {
      padding_ = QMargins(parts[0].trimmed().toInt(), parts[1].trimmed().toInt(), parts[2].trimmed().toInt(),
                          parts[3].trimmed().toInt());
    }
  } else if (key == "autocalcwidth") {
    autoCalcWidth_ = value == "true";
    updateGeometry();
  } else if (key == "curvecolor") {
    std::vector<uint32_t> colours;
    const QString text = value.trimmed();
    for (const QString& part : text.split(QStringLiteral(" #"), Qt::SkipEmptyParts)) {
      QRgb colour = kOtherCurveColour;
      ParseColour(part, &colour);
      colours.push_back(colour);
    }
    editor_.SetCurveColours(std::move(colours));
  } else {
    return;
  }
  update();
}

bool UIEqualizer::event(QEvent* e) {
  if (e->type() == QEvent::DynamicPropertyChange) {
    const QByteArray name = static_cast<QDynamicPropertyChangeEvent*>(e)->propertyName();
    if (name != "userdata") SetAttribute(QString::fromUtf8(name), property(name.constData()).toString());
  }
  return QWidget::event(e);
}

void UIEqualizer::resizeEvent(QResizeEvent* e) {
  SyncBounds();
  QWidget::resizeEvent(e);
}

void UIEqualizer::focusInEvent(QFocusEvent* e) {
  focused_ = true;
  QWidget::focusInEvent(e);
}

void UIEqualizer::focusOutEvent(QFocusEvent* e) {
  focused_ = false;
  QWidget::focusOutEvent(e);
}

void UIEqualizer::Apply(const MouseOutcome& outcome) {
  if (outcome.userDataSet) setProperty("userdata", QString::number(outcome.userData));
  if (outcome.cursorSet) setCursor(ToQt(outcome.cursor));
  if (outcome.repaint) update();
  for (Notice n : outcome.notices) {
    const QString& type = NoticeType(n);
    const CurveDrag drag = DragOf(n, ui::UserDataIndex(this));
    ui::SendNotify(this, type, 0, reinterpret_cast<intptr_t>(&drag));
    emit notify(type, ui::UserDataIndex(this));
  }
}

CurveDrag UIEqualizer::DragOf(Notice part, int band) const {
  CurveDrag d;
  d.part = part;
  d.band = band;
  d.gesture = gesture_;
  switch (part) {
    case Notice::Hp:
      d.freq = editor_.hpFreq();
      break;
    case Notice::Lp:
      d.freq = editor_.lpFreq();
      break;
    case Notice::Eq:
      if (band >= 0 && band < editor_.bandCount()) {
        const auto& b = editor_.band(band);
        d.freq = b.freq;
        d.q = b.q;
        d.gain = b.gain;
      }
      break;
  }
  return d;
}

void UIEqualizer::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    ++gesture_;
    SyncBounds();
    editor_.Layout();
    Apply(editor_.MousePress({e->position().toPoint().x(), e->position().toPoint().y()}));
  }
  QWidget::mousePressEvent(e);
}

void UIEqualizer::mouseMoveEvent(QMouseEvent* e) {
  SyncBounds();
  editor_.Layout();
  Apply(editor_.MouseMove({e->position().toPoint().x(), e->position().toPoint().y()}));
}

void UIEqualizer::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) Apply(editor_.MouseRelease({e->position().toPoint().x(), e->position().toPoint().y()}));
  QWidget::mouseReleaseEvent(e);
}

QFont UIEqualizer::FontFor(int index) const {
  QFont f = font();
  if (index < 0) return f;
  const int px = kFontPixels[std::min<size_t>(static_cast<size_t>(index), std::size(kFontPixels) - 1)];
  f.setPixelSize(std::max(1, px * ScalePercent() / 100));
  return f;
}

int UIEqualizer::TextFlags() const {
  int flags = static_cast<int>(align_);
  flags |= wordBreak_ ? Qt::TextWordWrap : Qt::TextSingleLine;
  if (!noPrefix_) flags |= Qt::TextShowMnemonic;
  return flags;
}

void UIEqualizer::DrawText(QPainter& p, const Rect& r, const QString& text, const QColor& color,
                           const QFont& font) const {
  const QRect rect = ToQRect(r);
  QString shown = text;
  if (endEllipsis_ && !wordBreak_) shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, rect.width());
  p.setFont(font);
  p.setPen(color);
  p.drawText(rect, TextFlags(), shown);
}

void UIEqualizer::DrawCurve(QPainter& p, int slot, bool current) const {
  if (slot < 0 || slot >= kCurveSlots) return;
  const CurveSlot& curve = editor_.curve(slot);
  const std::vector<Point> points =
      CollectCurvePoints(editor_.geometry(), curve.freqs.data(), curve.levels.data(), kCurvePoints, !current);
  // A chain of cubic Béziers: every third point is passed through, the two
  // between are its control points; the last collected point is left out.
  const size_t n = points.empty() ? 0 : points.size() - 1;
  if (n < 2) return;
  auto at = [&points](size_t i) { return QPointF(points[i].x, points[i].y); };
  QPainterPath path(at(0));
  size_t k = 1;
  for (; k + 2 < n; k += 3) path.cubicTo(at(k), at(k + 1), at(k + 2));
  for (; k < n; ++k) path.lineTo(at(k));

  const std::vector<uint32_t>& colours = editor_.curveColours();
  const int s = ScalePercent();
  const int channel = editor_.currentChannel();
  QColor colour;
  double width = 0.0;
  if (current) {
    colour = QColor::fromRgba(channel >= 0 && channel < static_cast<int>(colours.size()) ? colours[static_cast<size_t>(channel)]
                                                                                        : kCurrentCurveColour);
    width = s * 2 / 100.0;
  } else {
    colour = QColor::fromRgba(slot < static_cast<int>(colours.size()) ? colours[static_cast<size_t>(slot)] : kOtherCurveColour);
    width = static_cast<int>(colours.size()) > channel ? s * 2 / 100.0 : s * 3 / 100.0;
  }
  QPen pen(colour, width);
  pen.setJoinStyle(Qt::RoundJoin);
  pen.setCapStyle(Qt::RoundCap);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

void UIEqualizer::DrawAxes(QPainter& p) {
  const CurveFrame& frame = editor_.frame();
  if (cachedGeneration_ != editor_.layoutGeneration()) {
    cachedGeneration_ = editor_.layoutGeneration();
    const QFont font = FontFor(fontIndex_);
    axisTexts_.clear();
    auto add = [this, &font](const AxisLabel& label, Qt::Alignment align) {
      QStaticText text(QString::fromStdString(label.text));
      text.setTextFormat(Qt::PlainText);
      text.prepare(QTransform(), font);
      const QRect r = ToQRect(label.rect);
      const QSizeF size = text.size();
      const double x = align & Qt::AlignRight ? r.right() + 1 - size.width() : r.center().x() + 0.5 - size.width() / 2;
      axisTexts_.push_back({std::move(text), QRect(QPoint(static_cast<int>(x), static_cast<int>(r.center().y() + 0.5 - size.height() / 2)),
                                                   size.toSize())});
    };
    for (const AxisLabel& label : frame.frequencyLabels) add(label, Qt::AlignHCenter);
    for (const AxisLabel& label : frame.gainLabels) add(label, Qt::AlignRight);
    bandTexts_.clear();
    for (int i = 0; i < editor_.bandCount(); ++i) {
      QStaticText text(QString::fromStdString(editor_.band(i).label));
      text.setTextFormat(Qt::PlainText);
      text.prepare(QTransform(), font);
      bandTexts_.push_back(std::move(text));
    }
  }
  p.setFont(FontFor(fontIndex_));
  p.setPen(QColor::fromRgba(textColor_));
  for (const CachedText& t : axisTexts_) p.drawStaticText(t.rect.topLeft(), t.text);
}

void UIEqualizer::paintEvent(QPaintEvent*) {
  SyncBounds();
  editor_.Layout();
  LogMessage("DoPaint!!\n");
  const CurveGeometry& g = editor_.geometry();
  const Rect& plot = g.plot();
  const int s = ScalePercent();
  const int line = s / 100;

  QPainter p(this);
  p.fillRect(rect(), palette().color(backgroundRole()));
  // A style-sheet background, when the skin gives one.
  QStyleOption option;
  option.initFrom(this);
  style()->drawPrimitive(QStyle::PE_Widget, &option, &p, this);

  QPen grid(QColor::fromRgba(kGridColour), line);
  p.setPen(grid);
  p.setBrush(Qt::NoBrush);
  p.drawRect(ToQRect(plot).adjusted(0, 0, -std::max(line, 1), -std::max(line, 1)));
  const int y0 = static_cast<int>(g.y0());
  p.drawLine(plot.left, y0, plot.right, y0);
  grid.setStyle(Qt::DotLine);
  p.setPen(grid);
  for (int gain : kLabelledGains) {
    if (gain == 0) continue;
    const int y = g.YFromGain(gain);
    p.drawLine(plot.left, y, plot.right, y);
  }
  grid.setStyle(Qt::SolidLine);
  p.setPen(grid);
  for (int hz : kGridFrequencies) {
    if (hz == 20000) continue;
    const int x = g.XFromFrequency(hz);
    p.drawLine(x, plot.top, x, plot.bottom);
  }
  DrawAxes(p);

  if (editor_.allBypass()) {
    DrawText(p, Rect{plot.left, plot.top + s * kBypassTextTop / 100, plot.right, plot.bottom},
             ui::Language::Instance().Resolve(QStringLiteral("${all_bypass}")), QColor::fromRgba(kBypassTextColour),
             FontFor(bypassFontIndex_));
  }

  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  // Curves stay inside the plot: a steep crossover slope never reaches the
  // labels under it.
  p.save();
  p.setClipRect(ToQRect(plot));
  const int channel = editor_.currentChannel();
  for (int i = 0; i < editor_.curveCount(); ++i) {
    if (i == channel || !editor_.curveShown(i)) continue;
    DrawCurve(p, i, false);
  }
  DrawCurve(p, channel, true);
  p.restore();

  const QFont font = FontFor(fontIndex_);
  p.setFont(font);
  const int current = editor_.ValidCurrent();
  // A dot on the curve for every band, its number in the rows above the plot.
  const double radius = std::max(2.0, s * 3.0 / 100.0);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < editor_.bandCount(); ++i) {
    if (i == current) continue;
    const BandView& band = editor_.band(i);
    p.setBrush(QColor::fromRgba(kMarkerColour));
    p.drawEllipse(QPointF(band.point.x, band.point.y), radius, radius);
  }
  if (current >= 0) {
    const BandView& band = editor_.band(current);
    p.setBrush(QColor::fromRgba(kMarkColour));
    p.drawEllipse(QPointF(band.point.x, band.point.y), radius * 1.5, radius * 1.5);
  }
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < editor_.bandCount() && i < static_cast<int>(bandTexts_.size()); ++i) {
    const BandView& band = editor_.band(i);
    if (band.labelRect.Empty()) continue;
    const QStaticText& text = bandTexts_[static_cast<size_t>(i)];
    const QRect r = ToQRect(band.labelRect);
    const QSizeF size = text.size();
    p.setPen(QColor::fromRgba(i == current ? kMarkColour : kLabelColour));
    p.drawStaticText(QPointF(r.center().x() + 0.5 - size.width() / 2, r.center().y() + 0.5 - size.height() / 2), text);
  }
  if (current >= 0) {
    p.setPen(QColor::fromRgba(kMarkColour));
    p.drawText(ToQRect(editor_.infoRect()), Qt::AlignCenter | Qt::TextSingleLine,
               QString::fromStdString(editor_.infoText()));
    if (editor_.dragAllDirection()) {
      // Crisp outlines, like the grid.
      p.setRenderHint(QPainter::Antialiasing, false);
      p.setPen(QPen(QColor::fromRgba(kMarkColour), line));
      p.drawRect(ToQRect(editor_.qHandles().first));
      p.drawRect(ToQRect(editor_.qHandles().second));
      p.setRenderHint(QPainter::Antialiasing, true);
    }
  }
  if (editor_.hpFreq() != -1) {
    DrawText(p, editor_.hpMarker(), QStringLiteral("H"),
             QColor::fromRgba(editor_.dragMode() == DragMode::Hp ? kMarkColour : kLabelColour), font);
  }
  if (editor_.lpFreq() != -1) {
    DrawText(p, editor_.lpMarker(), QStringLiteral("L"),
             QColor::fromRgba(editor_.dragMode() == DragMode::Lp ? kMarkColour : kLabelColour), font);
  }
}

}  // namespace vlm::eqview
