#pragma once
// The hand-over to the curve control: recompute the channels' responses and
// give the control the current channel's bands, its crossover corners and
// the twelve curves with their show flags.
namespace vlm::controller {

struct EditContext;

class CurveView {
 public:
  explicit CurveView(EditContext& ctx) : ctx_(ctx) {}

  // Recomputes channel c's curve (its equaliser counts unless bypassed).
  void Compose(int channel);
  void ComposeAll();
  // UpdateEqualizer: the current channel and its partner are recomputed,
  // then handed over with `band` selected (-1 for none).
  void UpdateEqualizer(int band);
  // Hands over what is computed, without recomputing.
  void HandOver(int band);

 private:
  EditContext& ctx_;
};

}  // namespace vlm::controller
