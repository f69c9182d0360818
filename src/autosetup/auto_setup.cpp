#include "autosetup/auto_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "autosetup/arrival_alignment.h"
#include "autosetup/level_match.h"
#include "measure/channel_measurement.h"
#include "model/model_constants.h"
#include "session/full_state.h"
#include "session/session_steps.h"
#include "tune/curve_math.h"

namespace vlm::autosetup {
namespace {

constexpr RunText kTexts[] = {
    {RunSaid::NoChannels, "wizard_msg_no_channels", "no channel is assigned a speaker position"},
    {RunSaid::NoSuchChannel, "wizard_msg_no_such_channel", "channel %d does not exist"},
    {RunSaid::NoSpeaker, "wizard_msg_no_speaker", "channel %d has no speaker position: assign one first"},
    {RunSaid::Unrouted, "wizard_msg_unrouted", "%s; or leave such channels out of the run"},
    {RunSaid::Unlinking, "wizard_msg_unlinking", "unlinking: %s"},
    {RunSaid::TakeFailed, "wizard_msg_take_failed", "channel %d: %s"},
    {RunSaid::TakeNotRestored, "wizard_msg_take_not_restored", "channel %d: the amplifier's settings were not restored"},
    {RunSaid::LevelFailed, "wizard_msg_level_failed", "channel %d: %s"},
    {RunSaid::FitFailed, "wizard_msg_fit_failed", "channel %d: %s"},
    {RunSaid::SendFailed, "wizard_msg_send_failed", "sending the result: %s"},
    {RunSaid::KeepingBefore, "wizard_msg_keeping_before", "keeping the settings before the run: %s"},
    {RunSaid::Cancelled, "wizard_msg_cancelled", "cancelled"},
    {RunSaid::Unlinked, "wizard_msg_unlinked",
     "left and right were linked; the run unlinks them (their levels and equalisers differ)"},
    {RunSaid::DelayTooLong, "wizard_msg_delay_too_long",
     "channel %d would need %s ms of delay, more than the amplifier's 15 ms"},
};

RunMessage Said(RunSaid said, int channel = -1, std::string detail = {}) {
  RunMessage m;
  m.said = said;
  m.channel = channel;
  m.detail = std::move(detail);
  return m;
}

tune::Curve CurveOf(const measure::ChannelMeasurement& m) {
  tune::Curve c;
  for (const measure::ResponsePoint& p : m.points) {
    c.hz.push_back(p.hz);
    c.db.push_back(p.db);
  }
  return c;
}

// The target as the channel should sound: the curve plus its crossovers.
std::vector<double> RawTarget(const tune::TargetSpec& target, const ChannelSettings& settings,
                              const std::vector<double>& hz) {
  std::vector<double> t = tune::CrossoverLevels(settings, hz);
  for (std::size_t i = 0; i < hz.size(); ++i) t[i] += tune::TargetDb(target, hz[i]);
  return t;
}

// Mean, RMS and largest deviation of `db - target` over the judged points
// (the mean taken out for the last two).
struct Residual {
  double level = 0.0;
  tune::FitStats stats;
};
Residual Judge(const std::vector<double>& db, const std::vector<double>& target, const std::vector<char>& judged) {
  Residual r;
  int n = 0;
  for (std::size_t i = 0; i < db.size(); ++i) {
    if (!judged.empty() && !judged[i]) continue;
    r.level += db[i] - target[i];
    ++n;
  }
  if (n == 0) return r;
  r.level /= n;
  double sum = 0.0;
  for (std::size_t i = 0; i < db.size(); ++i) {
    if (!judged.empty() && !judged[i]) continue;
    const double d = db[i] - target[i] - r.level;
    sum += d * d;
    r.stats.maxDb = std::max(r.stats.maxDb, std::abs(d));
  }
  r.stats.rmsDb = std::sqrt(sum / n);
  return r;
}

// Sends what turns `from` into `to`, each command at once.
SessionResult Send(DeviceLink& link, const SceneProfile& to, const SceneProfile& from) {
  for (const StateCommand& c : FullStateCommands(to, &from)) {
    const SessionStatus s = RunStep(link, c.step);
    if (s != SessionStatus::Ok) return SessionResult::Failure(s, c.step.name);
  }
  return SessionResult::Success();
}

struct ChannelWork {
  int channel = 0;
  std::unique_ptr<measure::ChannelTake> take;
  tune::PreparedFit fit;
  std::vector<double> rawTarget;
  double levelDb = 0.0;
  tune::FitResult fitted;
};

}  // namespace

std::span<const RunText> RunTexts() { return kTexts; }

const RunText* FindRunText(RunSaid said) {
  for (const RunText& t : kTexts) {
    if (t.said == said) return &t;
  }
  return nullptr;
}

std::string RunMessage::English() const {
  const RunText* t = FindRunText(said);
  if (t == nullptr) return detail;
  const std::string format = t->english;
  const bool number = format.find("%d") != std::string::npos;
  const bool text = format.find("%s") != std::string::npos;
  char buffer[1024];
  if (number && text) {
    std::snprintf(buffer, sizeof buffer, t->english, channel + 1, detail.c_str());
  } else if (number) {
    std::snprintf(buffer, sizeof buffer, t->english, channel + 1);
  } else if (text) {
    std::snprintf(buffer, sizeof buffer, t->english, detail.c_str());
  } else {
    return format;
  }
  return buffer;
}

const char* StepName(Step step) {
  switch (step) {
    case Step::Measure: return "measure";
    case Step::Align: return "align";
    case Step::Level: return "level";
    case Step::Fit: return "fit";
    case Step::Send: return "send";
    case Step::Verify: return "verify";
    case Step::Done: return "done";
  }
  return "?";
}

AutoSetupRun::AutoSetupRun(DeviceLink& link, TemporaryOverride& overrides, audio::AudioBackend& card)
    : link_(link), overrides_(overrides), card_(card) {}

AutoSetupResult AutoSetupRun::Run(const SceneProfile& live, const AutoSetupRequest& request,
                                  const std::atomic<bool>& cancel, const ProgressFn& progress) {
  AutoSetupResult result;
  provisional_.reset();
  edits_.clear();
  auto before = std::make_shared<SceneProfile>(live);
  before_ = before;
  auto working = std::make_shared<SceneProfile>(live);  // what the amplifier holds as the run goes on

  std::vector<int> channels = request.channels;
  if (channels.empty()) {
    for (int c = 0; c < kOutputChannels; ++c) {
      if (live.outputs[c] > 0) channels.push_back(c);
    }
  }
  const int count = static_cast<int>(channels.size());
  const double units = 3.0 * count + 1.0;
  double done = 0.0;
  auto tell = [&](Step step, int channel, int index, double part = 0.0) {
    if (progress) progress({step, channel, index, count, std::min(1.0, (done + part) / units)});
  };

  auto fail = [&](Status status, Step step, RunMessage said) {
    result.status = status;
    result.failedStep = step;
    result.failedChannel = said.channel;
    result.message = said.English();
    result.said = std::move(said);
    if (!(*working == *before)) {
      const SessionResult back = Send(link_, *before, *working);
      result.restored = back.ok();
      if (!back.ok()) result.restoreProblem = back.Describe();
    }
    // Not restored: the file stays, and the next connection restores.
    if (result.restored) overrides_.ReleaseProvisional();
    return std::move(result);
  };

  if (count == 0) return fail(Status::Refused, Step::Measure, Said(RunSaid::NoChannels));
  for (int c : channels) {
    if (c < 0 || c >= kOutputChannels) return fail(Status::Refused, Step::Measure, Said(RunSaid::NoSuchChannel, c));
    if (live.outputs[c] <= 0) return fail(Status::Refused, Step::Measure, Said(RunSaid::NoSpeaker, c));
  }
  // A channel the sweep cannot reach is found before any take, every such channel at once.
  RunMessage unrouted = Said(RunSaid::Unrouted);
  for (int c : channels) {
    const std::string problem = measure::RoutingProblem(live, c, request.source);
    if (problem.empty()) continue;
    if (unrouted.channel < 0) unrouted.channel = c;
    unrouted.channels.push_back(c);
    unrouted.detail += (unrouted.detail.empty() ? "" : "; ") + problem;
  }
  if (unrouted.channel >= 0) return fail(Status::Refused, Step::Measure, std::move(unrouted));

  // Linked pairs differ by nature in level and bands: the run unlinks them.
  if (working->linkMode == 1) {
    working->linkMode = 0;
    working->linkOutputs.fill(-1);
    result.notes.push_back(Said(RunSaid::Unlinked));
    if (const SessionResult kept = overrides_.HoldProvisional(*before, *working); !kept.ok()) {
      *working = *before;  // nothing was sent
      return fail(Status::Failed, Step::Measure, Said(RunSaid::KeepingBefore, -1, kept.Describe()));
    }
    const SessionResult s = Send(link_, *working, *before);
    if (!s.ok()) return fail(Status::Failed, Step::Measure, Said(RunSaid::Unlinking, -1, s.Describe()));
  }

  auto measureOne = [&](const SceneProfile& held, int c, int index, measure::ChannelTake& take) {
    measure::MeasureRequest m;
    m.channel = c;
    m.sampleRate = request.sampleRate;
    m.sweepSeconds = request.sweepSeconds;
    m.maxLevelDbfs = request.maxLevelDbfs;
    m.inputDevice = request.inputDevice;
    m.outputDevice = request.outputDevice;
    m.micCalibration = request.micCalibration;
    const Step step = &held == working.get() ? Step::Measure : Step::Verify;
    measure::MeasureChannel(overrides_, held, card_, m, request.source, cancel,
                            [&](double f) { tell(step, c, index, f); }, take);
  };
  auto takeProblem = [&](Step step, int c, const measure::ChannelTake& take) -> std::optional<AutoSetupResult> {
    if (!take.restored) {
      result.restored = false;
      result.restoreProblem = take.restoreProblem;
    }
    if (take.outcome.status == measure::MeasureStatus::Done && take.restored) return std::nullopt;
    const Status s = take.outcome.status == measure::MeasureStatus::Cancelled ? Status::Cancelled
                     : take.outcome.status == measure::MeasureStatus::Refused ? Status::Refused
                                                                               : Status::Failed;
    if (take.outcome.status == measure::MeasureStatus::Done) return fail(s, step, Said(RunSaid::TakeNotRestored, c));
    if (take.outcome.message.empty()) return fail(s, step, Said(RunSaid::Cancelled, c));
    return fail(s, step, Said(RunSaid::TakeFailed, c, take.outcome.message));
  };

  // 1. Measure.
  std::vector<ChannelWork> work(channels.size());
  for (int i = 0; i < count; ++i) {
    const int c = channels[i];
    tell(Step::Measure, c, i);
    if (cancel.load()) return fail(Status::Cancelled, Step::Measure, Said(RunSaid::Cancelled, c));
    work[i].channel = c;
    work[i].take = std::make_unique<measure::ChannelTake>();
    measureOne(*working, c, i, *work[i].take);
    if (auto r = takeProblem(Step::Measure, c, *work[i].take)) return std::move(*r);
    done += 1.0;
  }

  // 2. Align.
  tell(Step::Align, -1, 0);
  std::vector<MeasuredArrival> arrivals;
  for (const ChannelWork& w : work) {
    arrivals.push_back({w.channel, w.take->outcome.measurement.delayMs,
                        static_cast<double>(w.take->duringTake.channels[w.channel].delay)});
  }
  const Alignment alignment = AlignFromArrivals(arrivals);
  if (alignment.problemChannel >= 0) {
    char ms[32];
    std::snprintf(ms, sizeof ms, "%.3f", alignment.problemMs);
    result.notes.push_back(Said(RunSaid::DelayTooLong, alignment.problemChannel, ms));
  }

  // 3. Level: each channel's level against the target over its passband.
  tell(Step::Level, -1, 0);
  std::vector<ChannelLevel> levels;
  for (ChannelWork& w : work) {
    tune::TuneRequest t;
    t.measurements.push_back(CurveOf(w.take->outcome.measurement));
    t.target = request.target;
    t.maxBoostDb = request.maxBoostDb;
    w.fit = tune::PrepareChannelFit(w.take->duringTake, w.channel, t);
    if (!w.fit.ok) return fail(Status::Failed, Step::Level, Said(RunSaid::LevelFailed, w.channel, w.fit.error));
    const ChannelSettings& s = w.take->duringTake.channels[w.channel];
    w.rawTarget = RawTarget(request.target, s, w.fit.input.hz);
    w.levelDb = Judge(w.fit.input.measured, w.rawTarget, {}).level;
    levels.push_back({w.channel, w.levelDb, static_cast<double>(s.gain), live.outputs[w.channel]});
  }
  const std::vector<LevelChange> changes = MatchLevels(levels, request.maxGainDb);

  // 4. Fit each equaliser, carrying the level's rest.
  auto final = std::make_shared<SceneProfile>(*working);
  for (int i = 0; i < count; ++i) {
    ChannelWork& w = work[i];
    tell(Step::Fit, w.channel, i);
    if (cancel.load()) return fail(Status::Cancelled, Step::Fit, Said(RunSaid::Cancelled, w.channel));
    for (double& t : w.fit.input.target) t += changes[i].eqLevelDb;
    tune::FitControl control;
    control.cancel = &cancel;
    control.progress = [&](double f, const char*) { tell(Step::Fit, w.channel, i, f); };
    w.fitted = tune::FitChannel(w.fit.input, control);
    if (w.fitted.status == tune::FitStatus::Cancelled) {
      return fail(Status::Cancelled, Step::Fit, Said(RunSaid::Cancelled, w.channel));
    }
    if (w.fitted.status != tune::FitStatus::Ok) {
      return fail(Status::Failed, Step::Fit, Said(RunSaid::FitFailed, w.channel, w.fitted.error));
    }
    tune::ApplyFittedBands(*final, w.channel, w.fitted.bands);
    ChannelSettings& s = final->channels[w.channel];
    s.delay = static_cast<float>(alignment.delays[i].delayMs);
    s.gain = static_cast<float>(changes[i].gainDb);
    done += 1.0;
  }

  // 5. Send it all, provisionally.
  tell(Step::Send, -1, 0);
  if (cancel.load()) return fail(Status::Cancelled, Step::Send, Said(RunSaid::Cancelled));
  {
    // What the amplifier held before reaches the disk first: an unplug or a
    // crash from here on is put right at the next connection.
    if (const SessionResult kept = overrides_.HoldProvisional(*before, *final); !kept.ok()) {
      return fail(Status::Failed, Step::Send, Said(RunSaid::KeepingBefore, -1, kept.Describe()));
    }
    const SessionResult s = Send(link_, *final, *working);
    *working = *final;  // partly sent at worst: give back everything
    if (!s.ok()) return fail(Status::Failed, Step::Send, Said(RunSaid::SendFailed, -1, s.Describe()));
  }
  done += 1.0;

  // 6. Verify.
  std::vector<std::unique_ptr<measure::ChannelTake>> checks(channels.size());
  if (request.verify) {
    for (int i = 0; i < count; ++i) {
      const int c = channels[i];
      tell(Step::Verify, c, i);
      if (cancel.load()) return fail(Status::Cancelled, Step::Verify, Said(RunSaid::Cancelled, c));
      checks[i] = std::make_unique<measure::ChannelTake>();
      measureOne(*final, c, i, *checks[i]);
      if (auto r = takeProblem(Step::Verify, c, *checks[i])) return std::move(*r);
      done += 1.0;
    }
  }

  // The figures.
  for (int i = 0; i < count; ++i) {
    ChannelWork& w = work[i];
    ChannelResult r;
    r.channel = w.channel;
    r.delayBeforeMs = live.channels[w.channel].delay;
    r.delayAfterMs = final->channels[w.channel].delay;
    r.gainBeforeDb = live.channels[w.channel].gain;
    r.gainAfterDb = final->channels[w.channel].gain;
    r.eqLevelDb = changes[i].eqLevelDb;
    r.arrivalMs = w.take->outcome.measurement.delayMs;
    r.acousticMs = alignment.delays[i].acousticMs;
    r.arrivalUncertaintyMs = w.take->outcome.measurement.uncertaintyMs;
    r.fitted = w.fitted.after;
    r.loHz = w.fit.loHz;
    r.hiHz = w.fit.hiHz;
    r.excluded = w.fitted.excluded;
    r.hz = w.fit.input.hz;
    r.judged = w.fitted.judged;
    const tune::FitInput& in = w.fit.input;
    r.beforeDb = in.measured6;
    const Residual before = Judge(in.measured6, w.rawTarget, r.judged);
    r.levelBeforeDb = before.level;
    r.before = before.stats;
    const ChannelSettings& s = final->channels[w.channel];
    r.targetDb = w.rawTarget;
    if (checks[i]) {
      r.verifiedArrivalMs = checks[i]->outcome.measurement.delayMs;
      r.verifiedUncertaintyMs = checks[i]->outcome.measurement.uncertaintyMs;
      const tune::Curve verified = CurveOf(checks[i]->outcome.measurement);
      r.afterDb = tune::AverageSmoothed(std::span(&verified, 1), 6, in.hz);
    } else {
      // Predicted: the measurement with the new equaliser and gain in place of the old.
      const std::vector<double> eq = tune::EqualiserLevels(w.fitted.bands, false, in.hz);
      const double gain = s.gain - w.take->duringTake.channels[w.channel].gain;
      r.afterDb.resize(in.hz.size());
      for (std::size_t k = 0; k < in.hz.size(); ++k) r.afterDb[k] = in.measured6[k] - in.presentEq[k] + eq[k] + gain;
    }
    const Residual after = Judge(r.afterDb, w.rawTarget, r.judged);
    r.levelAfterDb = after.level;
    r.after = after.stats;
    // The target drawn at the level the run aimed at.
    const double aimed = w.levelDb + (s.gain - w.take->duringTake.channels[w.channel].gain) + changes[i].eqLevelDb;
    for (double& t : r.targetDb) t += aimed;
    result.channels.push_back(std::move(r));
  }

  result.edits = EditsBetween(*before, *final);
  result.final = final;
  result.status = Status::Done;
  result.provisional = true;
  provisional_ = final;
  edits_ = result.edits;
  if (progress) progress({Step::Done, -1, 0, count, 1.0});
  return result;
}

SessionResult AutoSetupRun::Apply(SceneProfile& live) {
  if (!provisional_) return SessionResult::Success();
  if (!overrides_.HoldsProvisional()) {
    // The amplifier went away meanwhile and its next connection gave it back
    // the settings before the run: there is nothing left to keep.
    provisional_.reset();
    before_.reset();
    return SessionResult::Failure(SessionStatus::NotConnected, "auto-setup result",
                                  "the amplifier was reconnected and holds the settings before the run again");
  }
  WriteEdits(live, edits_, false);
  provisional_.reset();
  before_.reset();
  if (SessionResult r = overrides_.ReleaseProvisional(); !r.ok()) return r;
  return SessionResult::Success();
}

SessionResult AutoSetupRun::Discard() {
  if (!provisional_) return SessionResult::Success();
  if (!overrides_.HoldsProvisional()) {  // already given back at a reconnection
    provisional_.reset();
    before_.reset();
    return SessionResult::Success();
  }
  SessionResult r = Send(link_, *before_, *provisional_);
  if (r.ok()) {
    provisional_.reset();
    before_.reset();
    r = overrides_.ReleaseProvisional();
  }
  return r;
}

}  // namespace vlm::autosetup
