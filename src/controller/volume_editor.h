#pragma once
// Input source, main volume and mute, the ACC delay and the amplifier's
// power: the settings of the whole amplifier rather than of one channel.
#include <QString>

#include "model/setting_target.h"

namespace vlm::controller {

struct EditContext;

class VolumeEditor {
 public:
  explicit VolumeEditor(EditContext& ctx) : ctx_(ctx) {}

  // Start-up: the source combo (item "source_low" hidden, indices still equal
  // to the wire code - 0x51), the main-volume and ACC sliders from the
  // profile, source item 5 selected.
  void Prepare();

  void SetInputSource();
  void SetMainVolume();
  void SetMainVolumeEdit();
  void SetMainVolumeUp(bool up);
  void SetMainMute();
  void SetAmpOnOff();
  void SetAccValue();
  void SetAccEdit();
  void SetAccUp(bool up);
  // Main-volume edit and slider from the profile (the channel edit is the
  // channel editor's).
  void ShowMainVolume();
  // The power button from the profile (read-back, scene load, a report).
  void ShowAmpPower();

 private:
  int MainMin() const;
  int MainMax() const;
  int AccMin() const;
  int AccMax() const;
  // Each change is an edit of one amplifier-wide setting through the edit
  // context (its command, its undo step).
  void ApplyWhole(SettingKind kind, int value, bool send = true);
  void ApplyMainVolume(int position);
  void ApplyAcc(int position);
  void ShowAcc(int value);
  // "${off}" at or below the slider minimum, else the number.
  QString AccText(int value) const;

  EditContext& ctx_;
};

}  // namespace vlm::controller
