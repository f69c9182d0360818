#include "eqview/curve_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/log.h"

namespace vlm::eqview {
namespace {

// The plot reaches below and above what a band can hold.
float BandGain(float db) { return std::clamp(db, kEqGainMinDb, kEqGainMaxDb); }

bool InPlotRange(int hz) { return hz >= kPlotMinFreq && hz <= kPlotMaxFreq; }

std::string Format(const char* format, auto... args) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

}  // namespace

std::vector<BandInput> ChannelBandInputs(const SceneProfile& profile, int channel) {
  std::vector<BandInput> out;
  if (channel < 0 || channel >= kOutputChannels) return out;
  const bool bypassed = profile.channels[static_cast<size_t>(channel)].bypass;
  const auto bands = profile.eqArray(channel);
  for (int i = 0; i < profile.bandCount(channel); ++i) {
    const EqBand& band = bands[static_cast<size_t>(i)];
    out.push_back({band.enable && !bypassed ? band.eqGain : 0.0f, band});
  }
  return out;
}

CurveEditor::CurveEditor() : curves_(kCurveSlots) {}

void CurveEditor::SetBounds(Rect bounds) {
  if (bounds == bounds_) return;
  bounds_ = bounds;
  layoutDone_ = false;
}

void CurveEditor::SetScale(int percent) {
  if (percent == geometry_.scale()) return;
  geometry_.SetScale(percent);
  layoutDone_ = false;
}

void CurveEditor::SetTextMeasure(TextMeasure measure, int fontKey) {
  if (fontKey == fontKey_ && measure_.lineHeight == measure.lineHeight) return;
  measure_ = std::move(measure);
  fontKey_ = fontKey;
  layoutDone_ = false;
}

void CurveEditor::SetBands(std::span<const BandInput> bands, int current, bool bypassed) {
  bandCount_ = static_cast<int>(std::min<size_t>(bands.size(), kMaxBands));
  allBypass_ = bypassed;
  for (int i = 0; i < bandCount_; ++i) {
    const BandInput& in = bands[static_cast<size_t>(i)];
    BandView& view = bands_[static_cast<size_t>(i)];
    view.gain = in.effectiveGain;
    view.q = in.band.eqFactor;
    view.freq = in.band.freq;
    view.enable = in.band.enable;
  }
  current_ = current;
  FullLayout();
}

void CurveEditor::SetCurEqHpLp(int hpFreq, int lpFreq) {
  hpFreq_ = InPlotRange(hpFreq) ? hpFreq : -1;
  lpFreq_ = InPlotRange(lpFreq) ? lpFreq : -1;
  LogMessage("setCurEqHpLp mHpFreq(%d)\n", hpFreq_);
  LayoutMarkers();
}

void CurveEditor::SetCurves(const double* freqs, const double* levels, int count, int currentChannel,
                            std::span<const int> show, int unused) {
  if (count <= 0 || freqs == nullptr || levels == nullptr) return;
  show_.fill(0);
  std::copy_n(show.begin(), std::min<size_t>(show.size(), kCurveSlots), show_.begin());
  for (CurveSlot& slot : curves_) {
    slot.freqs.fill(0.0);
    slot.levels.fill(0.0);
  }
  curveCount_ = std::min(count, kCurveSlots);
  for (int i = 0; i < curveCount_; ++i) {
    CurveSlot& slot = curves_[static_cast<size_t>(i)];
    std::copy_n(freqs + static_cast<ptrdiff_t>(i) * kCurvePoints, kCurvePoints, slot.freqs.begin());
    std::copy_n(levels + static_cast<ptrdiff_t>(i) * kCurvePoints, kCurvePoints, slot.levels.begin());
  }
  currentChannel_ = currentChannel;
  unused_ = unused;
}

void CurveEditor::SetCurveColours(std::vector<uint32_t> colours) {
  if (colours.size() > kMaxCurveColours) colours.resize(kMaxCurveColours);
  colours_ = std::move(colours);
}

void CurveEditor::Layout() {
  if (!layoutDone_) {
    FullLayout();
    return;
  }
  LayoutCurrent();
  LayoutMarkers();
}

void CurveEditor::FullLayout() {
  frame_ = LayoutCurveFrame(bounds_, geometry_.scale(), measure_);
  geometry_.SetPlot(frame_.plot);
  layoutDone_ = geometry_.Valid();
  ++generation_;
  for (int i = 0; i < bandCount_; ++i) {
    BandView& view = bands_[static_cast<size_t>(i)];
    view.point = {geometry_.XFromFrequency(view.freq), geometry_.YFromGain(view.gain)};
    view.square = geometry_.BandSquare(view.point);
    view.label = std::to_string(i + 1);
  }
  PlaceLabels();
  LayoutCurrent();
  LayoutMarkers();
}

void CurveEditor::PlaceLabels() {
  std::vector<int> columns(static_cast<size_t>(bandCount_));
  std::vector<int> widths(static_cast<size_t>(bandCount_));
  const int pad = std::max(2, measure_.lineHeight / 3);
  for (int i = 0; i < bandCount_; ++i) {
    const BandView& view = bands_[static_cast<size_t>(i)];
    columns[static_cast<size_t>(i)] = view.point.x;
    widths[static_cast<size_t>(i)] = measure_.width(view.label) + pad;
  }
  const std::vector<Rect> rects = PlaceBandLabels(frame_, columns, widths, ValidCurrent());
  for (int i = 0; i < bandCount_; ++i) bands_[static_cast<size_t>(i)].labelRect = rects[static_cast<size_t>(i)];
}

void CurveEditor::LayoutCurrent() {
  info_.clear();
  infoRect_ = {};
  qRects_ = {};
  const int c = ValidCurrent();
  if (c < 0) return;
  BandView& view = bands_[static_cast<size_t>(c)];
  view.square = geometry_.BandSquare(view.point);
  if (dragAllDirection_) {
    const std::string q = Format("%0.2f", static_cast<double>(view.q));
    info_ = Format("%d Hz %s Q %.1f dB", view.freq, q.c_str(), static_cast<double>(view.gain));
    qRects_ = geometry_.QHandleRects(view.point, view.q);
  } else {
    info_ = Format("%.1f dB", static_cast<double>(view.gain));
  }
  // In its own row above the plot, over the band's column: it covers no curve.
  const int pad = std::max(2, measure_.lineHeight / 3);
  infoRect_ = CentredIn(frame_.readoutRow, view.point.x, measure_.width(info_) + 2 * pad);
  // The current band's number is placed first, so it always shows.
  PlaceLabels();
}

void CurveEditor::LayoutMarkers() {
  hpRect_ = hpFreq_ != -1 ? geometry_.CrossoverMarkerRect(hpFreq_, kHpMarkerGainDb) : Rect{};
  lpRect_ = lpFreq_ != -1 ? geometry_.CrossoverMarkerRect(lpFreq_, kLpMarkerGainDb) : Rect{};
}

int CurveEditor::BandAt(Point p) const {
  for (int i = 0; i < bandCount_; ++i) {
    if (bands_[static_cast<size_t>(i)].square.Contains(p)) return i;
  }
  // A number above the plot picks its band, also where markers lie on top
  // of each other.
  for (int i = 0; i < bandCount_; ++i) {
    if (bands_[static_cast<size_t>(i)].labelRect.Contains(p)) return i;
  }
  return -1;
}

bool CurveEditor::OverQHandle(Point p) const {
  return dragAllDirection_ && ValidCurrent() >= 0 && (qRects_.first.Contains(p) || qRects_.second.Contains(p));
}

MouseOutcome CurveEditor::MousePress(Point p) {
  MouseOutcome out;
  // A press always starts a new gesture.
  mode_ = DragMode::None;
  if (OverQHandle(p)) {
    out.SetCursor(CursorShape::SizeHorizontal);
    mode_ = DragMode::Factor;
  }
  if (mode_ != DragMode::Factor) {
    const int b = BandAt(p);
    if (b >= 0) {
      out.SetCursor(dragAllDirection_ ? CursorShape::SizeAll : CursorShape::SizeVertical);
      current_ = b;
      mode_ = DragMode::Index;
      out.userDataSet = true;
      out.userData = b;
      LayoutCurrent();
      out.repaint = true;
    }
  }
  if (mode_ == DragMode::None && hpRect_.Contains(p)) {
    out.SetCursor(CursorShape::SizeHorizontal);
    current_ = -1;
    mode_ = DragMode::Hp;
    LayoutCurrent();
    out.repaint = true;
  }
  if (mode_ == DragMode::None && lpRect_.Contains(p)) {
    out.SetCursor(CursorShape::SizeHorizontal);
    current_ = -1;
    mode_ = DragMode::Lp;
    LayoutCurrent();
    out.repaint = true;
  }
  return out;
}

MouseOutcome CurveEditor::MouseMove(Point p) {
  MouseOutcome out;
  switch (mode_) {
    case DragMode::None: {
      const int b = BandAt(p);
      if (b >= 0) {
        out.SetCursor(CursorShape::Hand);
        if (b != current_) {
          current_ = b;
          out.userDataSet = true;
          out.userData = b;
          out.notices.push_back(Notice::Eq);
          LayoutCurrent();
          out.repaint = true;
        }
      }
      if (OverQHandle(p) || hpRect_.Contains(p) || lpRect_.Contains(p)) {
        out.SetCursor(CursorShape::SizeHorizontal);
      } else if (b < 0) {
        out.SetCursor(CursorShape::Arrow);
      }
      LogMessage("move mCurrentControlIndex(%d) mDragAllDirection(%d) \n", current_, dragAllDirection_ ? 1 : 0);
      break;
    }
    case DragMode::Index: {
      LogMessage("move mCurrentControlIndex(%d) mDragAllDirection(%d) \n", current_, dragAllDirection_ ? 1 : 0);
      const int c = ValidCurrent();
      if (c < 0) break;
      BandView& view = bands_[static_cast<size_t>(c)];
      const Point q = geometry_.Clamp(p);
      if (dragAllDirection_) view.point.x = q.x;
      const int f = geometry_.FrequencyFromX(q.x);
      const float g = BandGain(geometry_.GainFromY(q.y));
      view.point.y = g == geometry_.GainFromY(q.y) ? q.y : geometry_.YFromGain(g);
      LogMessage("freq (%d) gain(%.2f) \n", f, static_cast<double>(g));
      const bool gainChanged = std::fabs(view.gain - g) > 0.001f;
      if (gainChanged) view.gain = g;
      if (dragAllDirection_ && f != view.freq) {
        view.freq = f;
        out.notices.push_back(Notice::Eq);
      } else if (gainChanged) {
        out.notices.push_back(Notice::Eq);
      }
      LogMessage("INDEX_CAPTURED move x(%d) y(%d) \n", q.x, q.y);
      LayoutCurrent();
      out.repaint = true;
      break;
    }
    case DragMode::Factor: {
      LogMessage("move mCurrentControlIndex(%d) mDragAllDirection(%d) \n", current_, dragAllDirection_ ? 1 : 0);
      const int c = ValidCurrent();
      if (c < 0) break;
      BandView& view = bands_[static_cast<size_t>(c)];
      const Point q = geometry_.Clamp(p);
      const float factor = geometry_.QFromDistance(q.x, view.point.x);
      if (std::fabs(view.q - factor) >= 0.01f) {
        view.q = factor;
        out.notices.push_back(Notice::Eq);
      }
      LogMessage("FACTOR_CAPTURED index %d move x(%d) y(%d) \n", c, q.x, q.y);
      LayoutCurrent();
      out.repaint = true;
      break;
    }
    case DragMode::Hp: {
      const Point q = geometry_.Clamp(p);
      const int f = geometry_.FrequencyFromX(q.x);
      // The corners never cross; a hidden low-pass sets no limit.
      if ((lpFreq_ == -1 || f < lpFreq_) && f != hpFreq_) {
        hpFreq_ = f;
        out.notices.push_back(Notice::Hp);
        LayoutMarkers();
        out.repaint = true;
      }
      LogMessage("HP_CAPTURED move x(%d) y(%d) mCurrentControlIndex(%d) mHpFreq(%d)\n", q.x, q.y, current_, hpFreq_);
      break;
    }
    case DragMode::Lp: {
      const Point q = geometry_.Clamp(p);
      const int f = geometry_.FrequencyFromX(q.x);
      if (f > hpFreq_ && f != lpFreq_) {
        lpFreq_ = f;
        out.notices.push_back(Notice::Lp);
        LayoutMarkers();
        out.repaint = true;
      }
      break;
    }
  }
  return out;
}

MouseOutcome CurveEditor::MouseRelease(Point p) {
  MouseOutcome out;
  const Point q = geometry_.Clamp(p);
  const int c = ValidCurrent();
  switch (mode_) {
    case DragMode::None:
      break;
    case DragMode::Index: {
      if (c < 0) break;
      BandView& view = bands_[static_cast<size_t>(c)];
      if (dragAllDirection_) view.point.x = q.x;
      if (dragAllDirection_) view.freq = geometry_.FrequencyFromX(q.x);
      view.gain = BandGain(geometry_.GainFromY(q.y));
      view.point.y = view.gain == geometry_.GainFromY(q.y) ? q.y : geometry_.YFromGain(view.gain);
      view.square = geometry_.BandSquare(view.point);
      out.notices.push_back(Notice::Eq);
      LogMessage("freq (%d) gain(%.2f) \n", view.freq, static_cast<double>(view.gain));
      LogMessage("INDEX_CAPTURED up x(%d) y(%d) \n", q.x, q.y);
      out.SetCursor(CursorShape::Hand);
      break;
    }
    case DragMode::Factor: {
      if (c < 0) break;
      BandView& view = bands_[static_cast<size_t>(c)];
      view.q = geometry_.QFromDistance(q.x, view.point.x);
      out.notices.push_back(Notice::Eq);
      LogMessage("FACTOR_CAPTURED move x(%d) y(%d) \n", q.x, q.y);
      out.SetCursor(CursorShape::Arrow);
      break;
    }
    case DragMode::Hp: {
      const int f = geometry_.FrequencyFromX(q.x);
      if (lpFreq_ == -1 || f < lpFreq_) hpFreq_ = f;
      // Raised even when the corner stayed, so the receiver sees the drag end.
      out.notices.push_back(Notice::Hp);
      LogMessage("HP_CAPTURED move x(%d) y(%d) mHpFreq(%d)\n", q.x, q.y, hpFreq_);
      out.SetCursor(CursorShape::Arrow);
      break;
    }
    case DragMode::Lp: {
      const int f = geometry_.FrequencyFromX(q.x);
      if (f > hpFreq_) lpFreq_ = f;
      out.notices.push_back(Notice::Lp);
      out.SetCursor(CursorShape::Arrow);
      break;
    }
  }
  // Whatever happened, the gesture is over: a drag whose band vanished must
  // not leave the control deaf to hovering.
  if (mode_ != DragMode::None) out.repaint = true;
  mode_ = DragMode::None;
  LayoutCurrent();
  LayoutMarkers();
  return out;
}

}  // namespace vlm::eqview
