#pragma once
// The current channel's high-pass and low-pass filters: type, corner and
// slope, typed, stepped or dragged on the curve. They follow the linked
// partner. The high-pass corner never rises above the low-pass corner.
// Every change is an edit of the filter (one per channel) applied through
// the edit context. GUI thread only.
#include <functional>

namespace vlm {
struct FilterSettings;
}

namespace vlm::controller {

struct EditContext;

enum class FilterSide { HighPass, LowPass };

class CrossoverEditor {
 public:
  explicit CrossoverEditor(EditContext& ctx) : ctx_(ctx) {}

  // Channel c's crossover into the six controls.
  void SetFreqDivider(int channel);

  void SetHpFreq() { SetFreq(FilterSide::HighPass); }
  void SetLpFreq() { SetFreq(FilterSide::LowPass); }
  void SetHpFreqUp(bool up) { SetFreqUp(FilterSide::HighPass, up); }
  void SetLpFreqUp(bool up) { SetFreqUp(FilterSide::LowPass, up); }
  void SetHpType() { SetType(FilterSide::HighPass); }
  void SetLpType() { SetType(FilterSide::LowPass); }
  void SetHpSlope() { SetSlope(FilterSide::HighPass); }
  void SetLpSlope() { SetSlope(FilterSide::LowPass); }
  // The curve control moved a corner to `hz`.
  void CornerDragged(FilterSide side, int hz);

  // Combo index <-> type code (the list holds types 1..3 from index 0).
  static int TypeToIndex(int type) { return type - 1; }
  static int IndexToType(int index) { return index + 1; }

 private:
  void SetFreq(FilterSide side);
  void SetFreqUp(FilterSide side, bool up);
  void SetType(FilterSide side);
  void SetSlope(FilterSide side);
  // Stores the corner on the channel and its partner, shows it, redraws and
  // sends both filters.
  void ApplyCorner(FilterSide side, int hz);
  // Applies `change` to the side's filter of the current channel and its
  // partner as one edit each, through the edit path.
  void Change(FilterSide side, const std::function<void(FilterSettings&)>& change);

  EditContext& ctx_;
};

}  // namespace vlm::controller
