#pragma once
// The 31 band rows of the current channel as the controls show them. The
// band editing operations come with their own class; switching channels and
// reading settings back only need the rows refreshed.
namespace vlm::controller {

struct EditContext;

class BandRows {
 public:
  explicit BandRows(EditContext& ctx) : ctx_(ctx) {}

  // Rows of channel c: below its band count enabled and showing the band
  // (frequency and Q editable only in parametric mode, gain 0.0 while the
  // band is off or the equaliser bypassed); the rest disabled and zero.
  void Refresh(int channel);
  // "btn_bypass" reads "${bypass_eq}" while any band option is checked,
  // else "${restore_eq}".
  void ShowBypassText();
  // Parametric mode: "btn_arg_eq" selected.
  bool Parametric() const;

 private:
  EditContext& ctx_;
};

}  // namespace vlm::controller
