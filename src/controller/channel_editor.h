#pragma once
// The current channel: choosing it, and its gain, mute, phase and curve
// display. Gains follow the linked partner and the subwoofer pairing; mute
// follows the partner; phase stays with the channel.
#include <vector>

namespace vlm::controller {

struct EditContext;
class CrossoverEditor;
class BandRows;

class ChannelEditor {
 public:
  ChannelEditor(EditContext& ctx, CrossoverEditor& crossover, BandRows& bands)
      : ctx_(ctx), crossover_(crossover), bands_(bands) {}

  // SetCurChannelChange: a channel outside 0..11 is ignored.
  void SetCurChannelChange(int channel);
  void SetChVolume();
  void SetChVolumeEdit();
  void SetChVolumeUp(bool up);
  void SetChMute();
  void SetChPhase();
  void SetChShow(int channel);

  // The current channel's gain on the slider and the edit.
  void ShowChannelGain();
  // Channels other than `channel` whose gain follows it: the partner in link
  // mode and, for a subwoofer left (right), every subwoofer right (left).
  std::vector<int> GainFollowers(int channel) const;

 private:
  int GainSliderMin() const;
  int GainSliderMax() const;
  // Stores the gain on the current channel and its followers and sends
  // their trims.
  void ApplyGain(float gainDb);
  // The gain the amplifier will hold for `gainDb` (whole dB unless the link
  // carries hundredths).
  float WireGain(float gainDb) const;

  EditContext& ctx_;
  CrossoverEditor& crossover_;
  BandRows& bands_;
};

}  // namespace vlm::controller
