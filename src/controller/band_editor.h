#pragma once
// Editing the current channel's equaliser: the 31 band rows (typed, stepped,
// slid, switched on and off), bands dragged on the curve control, bypass,
// restore and reset of the whole equaliser, and the parametric/graphic mode.
// Band edits follow the linked partner.
//
// A commit compares what the user entered with what the row or the curve
// shows (a disabled band or a bypassed equaliser shows 0 dB), never with the
// stored band: leaving an untouched edit, or hovering a band, changes
// nothing. The band edits are Edit values applied through the one path of
// edits (EditContext::Apply): one EQ_Ctrl per band they change.
#include <QString>
#include <span>

#include "eqview/curve_editor.h"
#include "model/scene_profile.h"
#include "session/edit.h"

namespace vlm::controller {

struct EditContext;
class BandRows;

class BandEditor {
 public:
  BandEditor(EditContext& ctx, BandRows& rows);

  void SetChEqEdit(int band);
  void SetEqFreqUp(int band, bool up);
  void SetEqQUp(int band, bool up);
  void SetEqGainUp(int band, bool up);
  void SetEqSlider(int band);
  void OnEqEnable(int band);
  // The curve control moved a band: its report carries the band's number,
  // frequency, Q and gain.
  void BandDragged(const eqview::CurveDrag& drag);

  void SetOutputBypass();
  void SetOutputEqRest();
  void SetEqMode();
  // Fitted bands for `channels` (the current one and, linked, its partner):
  // the first bands of each become `bands`, enabled, the equaliser bypass is
  // cleared, rows and curves follow, and every band and the bypass are
  // queued. The one way a fit reaches the amplifier.
  void ApplyFittedBands(std::span<const int> channels, std::span<const EqBand> bands);
  // Gives the curve control the mode "btn_arg_eq" shows.
  void ShowMode();

 private:
  struct Values {
    int freq;
    float q;
    float gain;
  };
  bool InRange(int band) const;
  // The band as its row and the curve show it: gain 0 while the band is off
  // or the channel's equaliser is bypassed.
  Values Shown(int channel, int band) const;
  float GainMin(int band) const;
  float GainMax(int band) const;
  // Leaves bypass by flattening: every band with a gain gets 0 dB, enabled;
  // on the partner too in link mode. Adds the edits to `edits`.
  void Flatten(int channel, std::vector<Edit>& edits);
  // The band on the channel and partner and the bypass it decides, added to
  // `edits` and applied through the one path of edits; redraws the curve.
  // `nonZero` says whether the new gain counts as a gain.
  void Apply(int band, const Values& v, bool nonZero, std::vector<Edit> edits);
  void SendBand(int channel, int band);
  void SendBypass(int channel);
  // The message window asks `key` under "${tips}"; true on confirm.
  bool Ask(const char* key);

  EditContext& ctx_;
  BandRows& rows_;
};

// Flat: every band in use has |gain| <= 0.001 dB.
bool EqualiserFlat(std::span<const EqBand> bands, int count);

// Queues the band's EQ_Ctrl and the channel's PEQ_Bypass_Ctrl as the live
// profile holds them (a band that is off goes out with 0 dB).
void SendEqBand(EditContext& ctx, int channel, int band);
void SendEqBypass(EditContext& ctx, int channel);

}  // namespace vlm::controller
