#include "windows/autosetup_job.h"

#include "base/log.h"

namespace vlm {

AutoSetupJob::AutoSetupJob(DeviceLink& link, TemporaryOverride& overrides, std::unique_ptr<audio::AudioBackend> card)
    : card_(std::move(card)), run_(link, overrides, *card_) {}

AutoSetupJob::~AutoSetupJob() {
  cancel_ = true;
  Join();
  if (run_.Provisional()) {
    // Closed while provisional: the amplifier gets back what it held.
    const SessionResult r = run_.Discard();
    if (!r.ok()) LogMessage("auto-setup: the settings of before the run were not sent back: %s\n", r.Describe().c_str());
  }
}

void AutoSetupJob::Join() {
  if (worker_.joinable()) worker_.join();
}

bool AutoSetupJob::Start(const SceneProfile& live, autosetup::AutoSetupRequest request) {
  if (Busy()) return false;
  Join();
  cancel_ = false;
  idle_ = false;
  result_.reset();
  live_ = std::make_unique<SceneProfile>(live);
  worker_ = std::thread([this, request = std::move(request)] {
    auto result = std::make_shared<autosetup::AutoSetupResult>(
        run_.Run(*live_, request, cancel_, [this](const autosetup::Progress& p) {
          QMetaObject::invokeMethod(this, [this, p] { emit progressed(p); }, Qt::QueuedConnection);
        }));
    QMetaObject::invokeMethod(
        this,
        [this, result] {
          idle_ = true;
          Join();
          result_ = result;
          emit finished();
        },
        Qt::QueuedConnection);
  });
  return true;
}

bool AutoSetupJob::StartDiscard() {
  if (Busy() || !run_.Provisional()) return false;
  Join();
  idle_ = false;
  worker_ = std::thread([this] {
    const SessionResult r = run_.Discard();
    const bool ok = r.ok();
    const QString problem = QString::fromStdString(r.Describe());
    QMetaObject::invokeMethod(
        this,
        [this, ok, problem] {
          idle_ = true;
          Join();
          emit discarded(ok, problem);
        },
        Qt::QueuedConnection);
  });
  return true;
}

SessionResult AutoSetupJob::Apply(SceneProfile& live) {
  if (Busy()) return SessionResult::Failure(SessionStatus::Busy, "auto-setup", "the run is still working");
  return run_.Apply(live);
}

}  // namespace vlm
