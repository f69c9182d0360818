#include "windows/tune_plot.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "eqview/curve_frame.h"
#include "ui/control_factory.h"
#include "ui/language.h"
#include "ui/window.h"

namespace vlm {
namespace {

constexpr double kMinHz = 20.0;
constexpr double kMaxHz = 20000.0;
const QColor kMeasured(0x9D, 0xB4, 0xCC);
const QColor kTarget(0xF0, 0xC0, 0x40);
const QColor kPredicted(0x40, 0xD8, 0x80);
const QColor kEqualiser(0xE8, 0x60, 0xC0);
const QColor kExcluded(0xE0, 0x50, 0x50, 70);
const QColor kOutside(0, 0, 0, 90);
const QColor kGrid(0x44, 0x4A, 0x55);
const QColor kText(0xB9, 0xC0, 0xCA);
const QColor kHandle(0xFF, 0xFF, 0xFF);

[[maybe_unused]] const bool kRegistered = (TunePlot::Register(), true);

double TargetLevel(const tune::PlotCurves& c) {
  if (c.target.empty()) return 0.0;
  double sum = 0.0;
  for (double t : c.target) sum += t;
  return sum / static_cast<double>(c.target.size());
}

}  // namespace

TunePlot::TunePlot(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAcceptDrops(false);  // the window takes dropped files
}

void TunePlot::Register() {
  ui::RegisterControlClass(QStringLiteral("TunePlot"), [](QWidget* parent) -> QWidget* { return new TunePlot(parent); });
}

int TunePlot::Scaled(int px) const {
  for (const QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (const auto* window = qobject_cast<const ui::UIWindow*>(w)) return window->Scaled(px);
  }
  return px;
}

void TunePlot::SetCurves(tune::PlotCurves curves) {
  curves_ = std::move(curves);
  std::tie(loDb_, hiDb_) = tune::PlotLevelRange(curves_);
  update();
}

QRect TunePlot::PlotRect() const {
  const QFontMetrics m(font());
  const int left = m.horizontalAdvance(QStringLiteral("-100")) + Scaled(10);
  const int bottom = m.height() + Scaled(8);
  return rect().adjusted(left, Scaled(8), -m.horizontalAdvance(QStringLiteral("20k")) / 2 - Scaled(6), -bottom);
}

double TunePlot::XFromFrequency(double hz) const {
  const QRect r = PlotRect();
  return r.left() + r.width() * std::log10(std::max(hz, 1.0) / kMinHz) / std::log10(kMaxHz / kMinHz);
}

double TunePlot::FrequencyFromX(double x) const {
  const QRect r = PlotRect();
  const double f = kMinHz * std::pow(kMaxHz / kMinHz, (x - r.left()) / std::max(1, r.width()));
  return std::clamp(f, kMinHz, kMaxHz);
}

double TunePlot::YFromLevel(double db) const {
  const QRect r = PlotRect();
  return r.top() + r.height() * (hiDb_ - db) / (hiDb_ - loDb_);
}

void TunePlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(0x17, 0x1A, 0x20));
  const QRect r = PlotRect();
  const QFontMetrics m(font());
  const int line = std::max(1, Scaled(1));

  // Grid and axis labels: decades 1-2-5 labelled, every 10 dB (5 dB when low).
  p.setPen(QPen(kGrid, line));
  for (int decade = 10; decade <= 10000; decade *= 10) {
    for (int k = 1; k <= 9; ++k) {
      const double hz = decade * k;
      if (hz < kMinHz || hz > kMaxHz) continue;
      const int x = static_cast<int>(XFromFrequency(hz));
      p.drawLine(x, r.top(), x, r.bottom());
    }
  }
  p.setPen(kText);
  int lastRight = -1000000;
  for (int hz : eqview::kLabelledFrequencies) {
    const QString text = QString::fromStdString(eqview::FrequencyLabel(hz));
    const int w = m.horizontalAdvance(text);
    const int x = static_cast<int>(XFromFrequency(hz)) - w / 2;
    if (x < lastRight + Scaled(6)) continue;
    p.drawText(QRect(x, r.bottom() + Scaled(4), w, m.height()), Qt::AlignCenter, text);
    lastRight = x + w;
  }
  const double step = (hiDb_ - loDb_) / std::max(1, r.height() / (m.height() * 2)) > 5.0 ? 10.0 : 5.0;
  for (double db = std::ceil(loDb_ / step) * step; db <= hiDb_ + 1e-9; db += step) {
    const int y = static_cast<int>(YFromLevel(db));
    p.setPen(QPen(kGrid, line, Qt::DotLine));
    p.drawLine(r.left(), y, r.right(), y);
    p.setPen(kText);
    const QRect label(0, y - m.height() / 2, r.left() - Scaled(6), m.height());
    p.drawText(label, Qt::AlignRight | Qt::AlignVCenter, QString::number(db, 'f', 0));
  }
  p.setPen(QPen(kGrid, line));
  p.drawRect(r.adjusted(0, 0, -1, -1));

  if (curves_.hz.empty()) return;
  // Outside the fit range and the regions the fit left alone.
  const double lo = dragging_ ? dragLo_ : curves_.loHz;
  const double hi = dragging_ ? dragHi_ : curves_.hiHz;
  const int xLo = static_cast<int>(XFromFrequency(lo));
  const int xHi = static_cast<int>(XFromFrequency(hi));
  p.fillRect(QRect(QPoint(r.left(), r.top()), QPoint(xLo, r.bottom())), kOutside);
  p.fillRect(QRect(QPoint(xHi, r.top()), QPoint(r.right(), r.bottom())), kOutside);
  for (const tune::PlotRegion& e : curves_.excluded) {
    const int a = static_cast<int>(XFromFrequency(e.loHz));
    const int b = std::max(a + line * 2, static_cast<int>(XFromFrequency(e.hiHz)));
    p.fillRect(QRect(QPoint(a, r.top()), QPoint(b, r.bottom())), kExcluded);
  }

  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  auto draw = [&](const std::vector<double>& levels, const QColor& colour, double width, Qt::PenStyle style,
                  double offset) {
    if (levels.size() != curves_.hz.size()) return;
    QPainterPath path;
    for (size_t i = 0; i < levels.size(); ++i) {
      const QPointF pt(XFromFrequency(curves_.hz[i]), YFromLevel(levels[i] + offset));
      if (i == 0) path.moveTo(pt);
      else path.lineTo(pt);
    }
    QPen pen(colour, width * Scaled(100) / 100.0, style);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
  };
  draw(curves_.target, kTarget, 2.0, Qt::DashLine, 0.0);
  draw(curves_.measured, kMeasured, 1.5, Qt::SolidLine, 0.0);
  if (curves_.fitted) {
    draw(curves_.equaliser, kEqualiser, 1.5, Qt::SolidLine, TargetLevel(curves_));
    draw(curves_.predicted, kPredicted, 2.5, Qt::SolidLine, 0.0);
  }
  p.restore();

  // The range handles: a line with a grip at the top.
  p.setPen(QPen(kHandle, line));
  for (int x : {xLo, xHi}) {
    p.drawLine(x, r.top(), x, r.bottom());
    p.fillRect(QRect(x - Scaled(4), r.top(), Scaled(8), Scaled(14)), kHandle);
  }

  // The legend, top right, on its own dark box.
  struct Entry {
    const char* key;
    QColor colour;
    Qt::PenStyle style;
    bool shown;
  };
  const Entry entries[] = {{measuredKey_, kMeasured, Qt::SolidLine, true},
                           {"${tune_legend_target}", kTarget, Qt::DashLine, true},
                           {predictedKey_, kPredicted, Qt::SolidLine, curves_.fitted},
                           {"${tune_legend_eq}", kEqualiser, Qt::SolidLine, curves_.fitted && !curves_.equaliser.empty()},
                           {"${tune_legend_excluded}", kExcluded, Qt::SolidLine, !curves_.excluded.empty()}};
  int width = 0;
  int rows = 0;
  for (const Entry& e : entries) {
    if (!e.shown) continue;
    width = std::max(width, m.horizontalAdvance(ui::Language::Instance().Resolve(QString::fromLatin1(e.key))));
    ++rows;
  }
  const int swatch = Scaled(22);
  const int pad = Scaled(6);
  QRect box(r.right() - width - swatch - 3 * pad, r.top() + pad, width + swatch + 3 * pad, rows * m.height() + 2 * pad);
  p.fillRect(box, QColor(0x17, 0x1A, 0x20, 220));
  p.setPen(QPen(kGrid, line));
  p.drawRect(box);
  int y = box.top() + pad;
  for (const Entry& e : entries) {
    if (!e.shown) continue;
    const int mid = y + m.height() / 2;
    if (e.colour.alpha() < 255) {
      p.fillRect(QRect(box.left() + pad, y + 2, swatch, m.height() - 4), e.colour);
    } else {
      p.setPen(QPen(e.colour, 2.0 * Scaled(100) / 100.0, e.style));
      p.drawLine(box.left() + pad, mid, box.left() + pad + swatch, mid);
    }
    p.setPen(kText);
    p.drawText(QRect(box.left() + 2 * pad + swatch, y, width + pad, m.height()), Qt::AlignLeft | Qt::AlignVCenter,
               ui::Language::Instance().Resolve(QString::fromLatin1(e.key)));
    y += m.height();
  }
}

void TunePlot::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || curves_.hz.empty()) return;
  const double x = e->position().x();
  const double grab = Scaled(6);
  dragLo_ = curves_.loHz;
  dragHi_ = curves_.hiHz;
  if (std::fabs(x - XFromFrequency(curves_.loHz)) <= grab) dragging_ = 1;
  else if (std::fabs(x - XFromFrequency(curves_.hiHz)) <= grab) dragging_ = 2;
}

void TunePlot::mouseMoveEvent(QMouseEvent* e) {
  const double x = e->position().x();
  if (dragging_ == 0) {
    const bool near = !curves_.hz.empty() && (std::fabs(x - XFromFrequency(curves_.loHz)) <= Scaled(6) ||
                                             std::fabs(x - XFromFrequency(curves_.hiHz)) <= Scaled(6));
    setCursor(near ? Qt::SizeHorCursor : Qt::ArrowCursor);
    return;
  }
  // The handles never cross: a third of an octave stays between them.
  const double f = FrequencyFromX(x);
  if (dragging_ == 1) dragLo_ = std::min(f, dragHi_ / std::exp2(1.0 / 3.0));
  else dragHi_ = std::max(f, dragLo_ * std::exp2(1.0 / 3.0));
  update();
}

void TunePlot::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || dragging_ == 0) return;
  mouseMoveEvent(e);
  dragging_ = 0;
  emit rangeMoved(std::round(dragLo_), std::round(dragHi_));
}

}  // namespace vlm
