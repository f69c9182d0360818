#pragma once
// The auto-setup run behind the wizard: the core's AutoSetupRun on a worker
// thread of its own (it measures and talks to the amplifier, which the GUI
// thread never does), with its progress and its outcomes handed back to the
// GUI thread as queued calls on the job (dropped when the job is gone).
//
// Threading: construct, start, cancel, apply and destroy on the GUI thread.
// Run and Discard run on the worker, one at a time; `cancel` is the only
// state the two threads share (an atomic). Apply writes into the live
// settings on the GUI thread once no worker runs. The destructor cancels and
// joins; a run left provisional is discarded first, so closing the wizard at
// any point leaves the amplifier as it was.
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "autosetup/auto_setup.h"

namespace vlm {

class AutoSetupJob : public QObject {
  Q_OBJECT
 public:
  AutoSetupJob(DeviceLink& link, TemporaryOverride& overrides, std::unique_ptr<audio::AudioBackend> card);
  ~AutoSetupJob() override;

  // Starts the run from `live` (copied); false while a worker runs.
  bool Start(const SceneProfile& live, autosetup::AutoSetupRequest request);
  // Asks the running run to stop; it restores the amplifier and finishes.
  void Cancel() { cancel_ = true; }
  // Sends back what the amplifier held before (on the worker); discarded() follows.
  bool StartDiscard();
  // Keeps the provisional result: its edits are written into `live`.
  SessionResult Apply(SceneProfile& live);

  bool Busy() const { return worker_.joinable() && !idle_; }
  bool Provisional() const { return !Busy() && run_.Provisional(); }
  const autosetup::AutoSetupResult* result() const { return result_.get(); }

 signals:
  void progressed(autosetup::Progress progress);
  void finished();   // result() holds the run's outcome
  void discarded(bool ok, QString problem);

 private:
  void Join();

  std::unique_ptr<audio::AudioBackend> card_;
  autosetup::AutoSetupRun run_;
  std::unique_ptr<SceneProfile> live_;
  std::shared_ptr<autosetup::AutoSetupResult> result_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  bool idle_ = true;  // GUI thread only: set when the worker's outcome arrived
};

}  // namespace vlm
