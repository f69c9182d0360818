#pragma once
// The tuning window: measurement files of the current channel (and of its
// linked partner), microphone calibration, target, smoothing, fit range and
// boost limit; the plot; the fit on a worker thread with Stop; Apply, which
// hands the fitted bands to the one function the main window gives it.
// Nothing reaches the amplifier before Apply. The work is the core's
// TuningSession; this window only routes and draws.
//
// Measure runs the core's measurement of the current channel as a device
// session worker (MeasureJob) with the audio settings; a finished one is
// written into the measurements folder and loaded as if the user had added
// the file. Stop cancels the fit or the measurement.
//
// Threading: GUI thread, except the fit, which runs on a worker of its own
// that owns a copy of the fit's input; its result comes back as a queued
// call, dropped when the window is gone. Closing the window stops the fit
// and cancels a measurement (whose worker still restores the amplifier).
#include <QLabel>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <span>
#include <thread>

#include "tune/tuning_session.h"
#include "windows/audio_settings.h"
#include "windows/audio_wnd.h"
#include "windows/tool_window.h"

class QAbstractButton;
class QComboBox;
class QProgressBar;

namespace vlm {

class DeviceSession;
class MeasureJob;
class TunePlot;

// What the Measure button needs from the program; without a session the
// button is hidden.
struct MeasureHost {
  DeviceSession* session = nullptr;                  // outlives the window
  std::function<const SceneProfile&()> live;         // the amplifier's settings now
  // The sound card to measure with (virtual under --simulate); null with the reason.
  std::function<std::unique_ptr<audio::AudioBackend>(std::string& error)> soundCard;
  std::function<AudioSettings()> loadSettings;
  SaveAudioSettingsFn saveSettings;
  QString folder;  // where finished measurements are written
};

// Stores the bands on the channels, queues their commands and refreshes
// the main window: the main window's one path for fitted bands.
using ApplyBandsFn = std::function<void(std::span<const int> channels, std::span<const EqBand> bands)>;

class CTuningWnd : public CToolWnd {
  Q_OBJECT
 public:
  // `partner`: the linked partner of `channel`, or -1.
  CTuningWnd(QWidget* parent, const SceneProfile& profile, int channel, int partner, ApplyBandsFn apply);
  ~CTuningWnd() override;

  // What the buttons and a drop do, also for tests and pictures. Each returns
  // the message shown (empty when all went well).
  QString AddMeasurementFile(const QString& path, bool forPartner = false);
  QString SetCalibrationFile(const QString& path);
  QString SetTargetFile(const QString& path);
  void SetTargetKind(tune::TargetKind kind);
  void SetSmoothing(int fraction);
  void SetRange(double loHz, double hiHz);
  void SetMaxBoost(double db);
  void SetLinked(bool on);
  // Starts the fit on the worker; false (with the message shown) when the
  // input cannot be fitted or a fit runs.
  bool StartFit();
  void CancelFit();
  bool FitRunning() const { return worker_.joinable() && !finished_; }
  // Sends the fitted bands; false when there is no fit to apply.
  bool ApplyFit();
  // Measures the current channel; false (with the message shown) when it
  // cannot start.
  void SetMeasureHost(MeasureHost host);
  bool StartMeasure();
  void CancelMeasure();
  bool Measuring() const;
  // 0..100 while measuring.
  int MeasureProgress() const;
  // The audio settings dialog, made (not shown) for the caller to run.
  CAudioWnd* MakeAudioWindow();
  bool ExportPlotPng(const QString& path);
  bool ExportCsv(const QString& path);

  const tune::TuningSession& session() const { return session_; }
  const tune::FitResult* result() const { return result_ ? result_.get() : nullptr; }
  QString Message() const;
  QString StatsText() const;
  TunePlot* plot() const { return plot_; }

 signals:
  // The worker's fit came back (done, stopped or failed).
  void fitFinished();
  // A measurement ended (measured, refused, failed or cancelled; the
  // amplifier restored or the reason shown).
  void measureFinished();

 protected:
  void InitControls() override;
  void OnConfirm() override;
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(class QDragEnterEvent* e) override;
  void dropEvent(class QDropEvent* e) override;

 private:
  void Refresh();
  void ShowMessage(const QString& text);
  void UpdateButtons();
  void OnFitDone(std::shared_ptr<tune::FitResult> result);
  void JoinWorker();
  void OnMeasureDone();
  // Writes the take into the measurements folder: the path, or empty with `error`.
  QString WriteMeasured(const measure::ChannelTake& take, QString& error);

  tune::TuningSession session_;
  ApplyBandsFn apply_;
  tune::PreparedFit prepared_;
  std::unique_ptr<tune::FitResult> result_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  bool finished_ = true;
  QString files_;
  TunePlot* plot_ = nullptr;
  QLabel* message_ = nullptr;
  QLabel* stats_ = nullptr;
  QLabel* fileList_ = nullptr;
  QLabel* rangeText_ = nullptr;
  QLabel* calibration_ = nullptr;
  QComboBox* target_ = nullptr;
  QComboBox* smoothing_ = nullptr;
  QComboBox* boost_ = nullptr;
  QAbstractButton* linked_ = nullptr;
  QAbstractButton* fit_ = nullptr;
  QAbstractButton* stop_ = nullptr;
  QAbstractButton* applyButton_ = nullptr;
  QAbstractButton* measure_ = nullptr;
  QAbstractButton* audioSettings_ = nullptr;
  QProgressBar* measureProgress_ = nullptr;
  MeasureHost host_;
  MeasureJob* job_ = nullptr;
  int lastTarget_ = 0;
};

}  // namespace vlm
