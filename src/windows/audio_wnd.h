#pragma once
// The audio settings dialog of a measurement: output and input device (the
// sound card's list, or why it has none), sample rate, maximum level, sweep
// length, the amplifier's input source the card is wired to and the
// microphone's calibration file. OK hands the chosen settings to the one
// function the caller gives (which keeps them with the program's settings).
//
// Threading: GUI thread only; the device list is read by the caller before
// the dialog opens.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <functional>

#include "audio/audio_io.h"
#include "windows/audio_settings.h"
#include "windows/tool_window.h"

namespace vlm {

using SaveAudioSettingsFn = std::function<bool(const AudioSettings&)>;
// Opens the sound card, or says in `error` why there is none.
using SoundCardFn = std::function<std::unique_ptr<audio::AudioBackend>(std::string& error)>;

class CAudioWnd : public CToolWnd {
  Q_OBJECT
 public:
  CAudioWnd(QWidget* parent, AudioSettings settings, audio::DeviceList devices, SaveAudioSettingsFn save);
  // The dialog made (not shown) over `parent` with the card's device list, or
  // the reason it has none; the tuning window and the main window's menu
  // both open it this way.
  static CAudioWnd* Make(QWidget* parent, const SoundCardFn& soundCard, AudioSettings settings,
                         SaveAudioSettingsFn save);

  // What the controls show now.
  AudioSettings Chosen() const;
  // Takes `path` as the calibration file when it reads as one (empty: none);
  // else shows and returns why not.
  QString SetCalibrationFile(const QString& path);
  QString StatusText() const { return status_ ? status_->text() : QString(); }

 protected:
  void InitControls() override;
  void OnConfirm() override;

 private:
  void FillDevices(QComboBox* box, bool output, const QString& chosen);
  // The line under the devices: why there are none, or what went wrong.
  void ShowStatus(const QString& text);

  AudioSettings settings_;
  audio::DeviceList devices_;
  SaveAudioSettingsFn save_;
  QComboBox* output_ = nullptr;
  QComboBox* input_ = nullptr;
  QComboBox* rate_ = nullptr;
  QComboBox* source_ = nullptr;
  QDoubleSpinBox* level_ = nullptr;
  QDoubleSpinBox* sweep_ = nullptr;
  QLabel* micFile_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace vlm
