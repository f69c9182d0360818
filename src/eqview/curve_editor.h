#pragma once
// The state of the equaliser curve control and its mouse behaviour, without a
// toolkit: bands with their markers, the current band, the crossover corners,
// the curves, and the drag state machine. The widget feeds it mouse points
// and paints what it holds; what the mouse changed comes back as notices.
#include <array>
#include <span>
#include <string>
#include <vector>

#include "eqview/curve_frame.h"
#include "eqview/curve_geometry.h"
#include "model/scene_profile.h"

namespace vlm::eqview {

inline constexpr int kMaxBands = 31;
inline constexpr int kCurveSlots = 16;
inline constexpr int kMaxCurveColours = 12;

enum class DragMode : int {
  None = 0,
  Index = 1,   // INDEX_CAPTURED: moving a band
  Factor = 2,  // FACTOR_CAPTURED: changing a band's Q
  Hp = 3,      // HP_CAPTURED: moving the high-pass corner
  Lp = 4,      // LP_CAPTURED: moving the low-pass corner
};

enum class Notice { Eq, Hp, Lp };

// What a drag on the curve moved, with its values, as the control reports
// it: a band (its number, frequency, Q and gain) or a crossover corner (its
// frequency). `gesture` counts the presses of the mouse, so all reports of
// one drag, press to release, carry the same number.
struct CurveDrag {
  Notice part = Notice::Eq;
  int band = -1;
  int freq = 0;
  float q = 0.0f;
  float gain = 0.0f;
  int gesture = 0;
};

enum class CursorShape { Arrow, Hand, SizeHorizontal, SizeVertical, SizeAll };

// What one mouse event did.
struct MouseOutcome {
  std::vector<Notice> notices;  // raised in this order
  bool cursorSet = false;
  CursorShape cursor = CursorShape::Arrow;
  bool userDataSet = false;  // the user data became the current band's index
  int userData = -1;
  bool repaint = false;

  void SetCursor(CursorShape shape) {
    cursorSet = true;
    cursor = shape;
  }
};

// One band as the controller hands it over: the gain that counts (0 when the
// band or the channel's equaliser is off) and the stored band.
struct BandInput {
  float effectiveGain = 0.0f;
  EqBand band;
};

// The bands of channel `channel` as the control takes them: a band's gain
// counts when the band is enabled and the channel's equaliser is not bypassed.
std::vector<BandInput> ChannelBandInputs(const SceneProfile& profile, int channel);

struct BandView {
  float gain = 0.0f;
  float q = kEqDefaultQ;
  int freq = kEqFreqMin;
  bool enable = true;
  Point point;
  Rect square;       // the marker on the curve, also what a press takes
  std::string label;
  Rect labelRect;    // the number above the plot; empty when it has no room
};

struct CurveSlot {
  std::array<double, kCurvePoints> freqs{};
  std::array<double, kCurvePoints> levels{};
};

class CurveEditor {
 public:
  CurveEditor();

  // The control's rectangle and scale. A changed rectangle lays everything
  // out again at the next Layout().
  void SetBounds(Rect bounds);
  void SetScale(int percent);
  // How the widget's font measures text; a change lays everything out again.
  // `fontKey` tells one font from another (size and family).
  void SetTextMeasure(TextMeasure measure, int fontKey);

  // `bypassed`: the channel's equaliser is bypassed (the amplifier's flag);
  // "EQ BYPASSED" shows then, never merely because every gain is 0.
  void SetBands(std::span<const BandInput> bands, int current, bool bypassed = false);
  void SetCurEqHpLp(int hpFreq, int lpFreq);
  // freqs/levels: `count` rows of 512 values (at most 16 are kept).
  void SetCurves(const double* freqs, const double* levels, int count, int currentChannel,
                 std::span<const int> show, int unused);
  void SetDragAllDirection(bool on) { dragAllDirection_ = on; }
  void SetCurveColours(std::vector<uint32_t> colours);

  // Full layout while none is done, else only the current band's pieces.
  void Layout();
  void FullLayout();

  MouseOutcome MousePress(Point p);
  MouseOutcome MouseMove(Point p);
  MouseOutcome MouseRelease(Point p);

  const CurveGeometry& geometry() const { return geometry_; }
  // The frame around the plot: axis labels, band number rows, readout row.
  const CurveFrame& frame() const { return frame_; }
  // Counts full layouts, so a painter can tell when its cached texts are stale.
  int layoutGeneration() const { return generation_; }
  bool layoutDone() const { return layoutDone_; }
  int bandCount() const { return bandCount_; }
  const BandView& band(int i) const { return bands_[static_cast<size_t>(i)]; }
  int currentBand() const { return current_; }
  // The current band when it is one of the bands in use, else -1.
  int ValidCurrent() const { return current_ >= 0 && current_ < bandCount_ ? current_ : -1; }
  bool dragAllDirection() const { return dragAllDirection_; }
  DragMode dragMode() const { return mode_; }
  int hpFreq() const { return hpFreq_; }
  int lpFreq() const { return lpFreq_; }
  const Rect& hpMarker() const { return hpRect_; }
  const Rect& lpMarker() const { return lpRect_; }
  const std::string& infoText() const { return info_; }
  const Rect& infoRect() const { return infoRect_; }
  const std::pair<Rect, Rect>& qHandles() const { return qRects_; }
  bool allBypass() const { return allBypass_; }
  int curveCount() const { return curveCount_; }
  int currentChannel() const { return currentChannel_; }
  bool curveShown(int i) const { return show_[static_cast<size_t>(i)] != 0; }
  const CurveSlot& curve(int i) const { return curves_[static_cast<size_t>(i)]; }
  const std::vector<uint32_t>& curveColours() const { return colours_; }

 private:
  void LayoutCurrent();
  void LayoutMarkers();
  void PlaceLabels();
  int BandAt(Point p) const;
  bool OverQHandle(Point p) const;

  CurveGeometry geometry_;
  CurveFrame frame_;
  TextMeasure measure_ = ApproximateMeasure(14);
  int fontKey_ = 0;
  int generation_ = 0;
  Rect bounds_;
  bool layoutDone_ = false;
  std::array<BandView, kMaxBands> bands_{};
  int bandCount_ = 0;
  int current_ = -1;
  bool dragAllDirection_ = false;
  DragMode mode_ = DragMode::None;
  int hpFreq_ = -1;
  int lpFreq_ = -1;
  Rect hpRect_;
  Rect lpRect_;
  std::string info_;
  Rect infoRect_;
  std::pair<Rect, Rect> qRects_;
  bool allBypass_ = false;
  std::vector<CurveSlot> curves_;
  int curveCount_ = 0;
  int currentChannel_ = 0;
  int unused_ = 0;
  std::array<int, kCurveSlots> show_{};
  std::vector<uint32_t> colours_;
};

}  // namespace vlm::eqview
