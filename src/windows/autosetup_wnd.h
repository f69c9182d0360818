#pragma once
// The auto-setup wizard: choose the channels, the target (flat, car or a
// curve file) and the microphone's calibration; run, with progress per
// channel and step (Cancel at any point gives the amplifier back what it
// held); then, per channel, the measured curve before and after against the
// target with the figures (delay, gain, RMS and largest deviation before and
// after). While the result is provisional, Apply keeps it as one undoable
// step and Discard (or closing the wizard) restores the amplifier; after
// Apply the result can be saved as a scene and as a profile.
//
// Threading: GUI thread only. The run is an AutoSetupJob, whose worker
// measures and talks to the amplifier and hands everything back queued.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QStackedWidget>
#include <functional>
#include <memory>
#include <vector>

#include "autosetup/distance_alignment.h"
#include "windows/autosetup_job.h"
#include "windows/tool_window.h"

namespace vlm {

class TunePlot;

struct AutoSetupWindowHost {
  SceneProfile* live = nullptr;  // the live settings; the run starts from them, Apply writes into them
  DeviceLink* link = nullptr;
  TemporaryOverride* overrides = nullptr;
  std::function<QString(int position)> positionText;
  // What the run takes beyond the wizard's choices (sweep length, devices,
  // headroom, boost); the wizard fills in channels, target and calibration.
  autosetup::AutoSetupRequest defaults;
  // The measurement's sound card; null with the reason.
  std::function<std::unique_ptr<audio::AudioBackend>(std::string& error)> soundCard;
  // After Apply wrote the result into the live settings: record it as one step, show it.
  std::function<void()> applied;
  std::function<void()> saveScene;
  std::function<void()> saveProfile;
};

class CAutoSetupWnd : public CToolWnd {
  Q_OBJECT
 public:
  enum class Page { Setup = 0, Running = 1, Result = 2 };

  CAutoSetupWnd(QWidget* parent, AutoSetupWindowHost host);
  ~CAutoSetupWnd() override;

  // The setup page's choices, as the user makes them.
  void SetChannels(const std::vector<int>& channels);
  std::vector<int> ChosenChannels() const;
  void SetTarget(tune::TargetKind kind, const QString& file = {});
  QString SetMicCalibration(const QString& file);  // empty, or why the file is refused

  // Starts the run; false with the reason in the status line.
  bool StartRun();
  void CancelRun();
  bool ApplyResult();
  bool DiscardResult();
  void ShowChannel(int index);  // the result page's channel (index into the result)

  Page CurrentPage() const { return static_cast<Page>(pages_ ? pages_->currentIndex() : 0); }
  bool Running() const { return job_ && job_->Busy(); }
  bool Provisional() const { return job_ && job_->Provisional(); }
  bool Applied() const { return applied_; }
  const autosetup::AutoSetupResult* result() const { return job_ ? job_->result() : nullptr; }
  QString StatusText() const { return status_ ? status_->text() : QString(); }
  QString StepText() const { return step_ ? step_->text() : QString(); }
  QString FiguresText() const { return figures_ ? figures_->text() : QString(); }

 signals:
  void runFinished();
  void discardFinished();

 protected:
  void InitControls() override;
  void Notify(ui::Notification& n) override;

 private:
  QWidget* BuildSetupPage();
  QWidget* BuildRunPage();
  QWidget* BuildResultPage();
  void ShowPage(Page page);
  void OnProgress(const autosetup::Progress& p);
  void OnFinished();
  void OnDiscarded(bool ok, const QString& problem);
  void PickTarget();
  void PickMic();
  void SetStatus(const QString& text);

  AutoSetupWindowHost host_;
  std::unique_ptr<AutoSetupJob> job_;
  QStackedWidget* pages_ = nullptr;
  QLabel* status_ = nullptr;
  std::vector<std::pair<int, QCheckBox*>> channelChecks_;
  QComboBox* target_ = nullptr;
  QLabel* targetFile_ = nullptr;
  QLabel* micFile_ = nullptr;
  tune::Curve targetCurve_;
  std::optional<tune::Curve> mic_;
  QProgressBar* progress_ = nullptr;
  QLabel* step_ = nullptr;
  struct StepRow {
    int channel;
    QLabel* name;
    QLabel* state;
  };
  std::vector<StepRow> channelSteps_;
  QComboBox* resultChannel_ = nullptr;
  TunePlot* plot_ = nullptr;
  QLabel* figures_ = nullptr;
  QLabel* notes_ = nullptr;
  bool applied_ = false;
  bool closeWhenDone_ = false;
};

CAutoSetupWnd* MakeAutoSetupWindow(QWidget* parent, AutoSetupWindowHost host);

}  // namespace vlm
