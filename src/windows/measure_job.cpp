#include "windows/measure_job.h"

#include "base/log.h"
#include "session/device_session.h"

namespace vlm {

struct MeasureJob::State {
  std::atomic<bool> cancel{false};
  std::atomic<double> progress{0.0};
  std::atomic<bool> done{false};
  std::unique_ptr<audio::AudioBackend> card;
  std::unique_ptr<SceneProfile> live;  // large: heap-held
  measure::MeasureRequest request;
  int source = measure::kAuxSource;
  std::shared_ptr<measure::ChannelTake> take = std::make_shared<measure::ChannelTake>();
};

namespace {
constexpr int kPollMs = 40;
}

MeasureJob::MeasureJob(QObject* parent) : QObject(parent) {
  poll_.setInterval(kPollMs);
  connect(&poll_, &QTimer::timeout, this, &MeasureJob::Poll);
}

MeasureJob::~MeasureJob() {
  if (state_) state_->cancel.store(true);
}

std::string MeasureJob::Start(DeviceSession& session, const SceneProfile& live,
                              std::unique_ptr<audio::AudioBackend> card, const measure::MeasureRequest& request,
                              int source) {
  if (state_) return "a measurement is running";
  if (!card) return "no sound card";
  auto state = std::make_shared<State>();
  state->card = std::move(card);
  state->live = std::make_unique<SceneProfile>(live);
  state->request = request;
  state->source = source;
  const SessionResult started = session.StartJob("Measure thread", [&session, state] {
    measure::MeasureChannel(
        session.overrides(), *state->live, *state->card, state->request, state->source, state->cancel,
        [&state = *state](double fraction) { state.progress.store(fraction); }, *state->take);
    LogMessage("measure: channel %d, status %d, restored %d\n", state->request.channel + 1,
               static_cast<int>(state->take->outcome.status), state->take->restored ? 1 : 0);
    state->done.store(true);
    return state->take->restored ? SessionResult::Success()
                                 : SessionResult::Failure(SessionStatus::NoReply, "measure restore");
  });
  if (!started.ok()) return started.Describe();
  state_ = std::move(state);
  session_ = &session;
  shown_ = -1.0;
  poll_.start();
  return {};
}

void MeasureJob::Cancel() {
  if (state_) state_->cancel.store(true);
}

double MeasureJob::Progress() const { return state_ ? state_->progress.load() : 0.0; }

void MeasureJob::Poll() {
  if (!state_) {
    poll_.stop();
    return;
  }
  // Finished once the session's worker has ended too, so that the next
  // measurement can start at once.
  if (state_->done.load() && !(session_ && session_->WorkerRunning())) {
    result_ = state_->take;
    state_.reset();
    poll_.stop();
    emit finished();
    return;
  }
  const double p = state_->progress.load();
  if (p != shown_) {
    shown_ = p;
    emit progressed(p);
  }
}

}  // namespace vlm
