#pragma once
// The speaker picture: a marker, a connection mark and a delay edit per
// position, shown for the positions some channel holds. Delays are edited
// here, in the unit of "comb_ch_unit"; they never follow the link.
namespace vlm::controller {

struct EditContext;
class ChannelEditor;

class SpeakerMap {
 public:
  SpeakerMap(EditContext& ctx, ChannelEditor& channels) : ctx_(ctx), channels_(channels) {}

  // Button texts of the twelve output buttons; markers, marks and delays of
  // held positions shown with the channel's delay, the rest hidden and
  // cleared.
  void ShowAssignments();

  void SetDelayUnit();
  // Position p = 1..24; a position no channel holds does nothing.
  void SetDelayEdit(int position);
  void SetDelayUp(int position, bool up);
  // Selects the channel holding p; nothing for a position outside 1..24 or
  // one that no channel holds.
  void SetSpeakerFocus(int position);

  // The first channel holding position p, or -1.
  int ChannelAt(int position) const;
  // Index of "comb_ch_unit" (0 ms, 1 cm, 2 inch).
  int Unit() const;

 private:
  void ShowDelay(int position, int channel);
  // Sets the channel's delay through the edit path.
  void ApplyDelay(int position, int channel, float delay);

  EditContext& ctx_;
  ChannelEditor& channels_;
};

}  // namespace vlm::controller
