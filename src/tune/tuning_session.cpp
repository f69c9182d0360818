#include "tune/tuning_session.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tune/curve_math.h"

namespace vlm::tune {
namespace {

std::string Trim(std::string s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

// "hp 120 3 4" -> {"hp", "hp 120 3 4"}, per ';' part of a record line.
std::vector<std::pair<std::string, std::string>> Parts(const std::string& line) {
  std::string body = line;
  if (body.rfind(kSettingsPrefix, 0) == 0) body = body.substr(std::char_traits<char>::length(kSettingsPrefix));
  std::vector<std::pair<std::string, std::string>> out;
  std::stringstream in(body);
  std::string part;
  while (std::getline(in, part, ';')) {
    part = Trim(part);
    if (part.empty()) continue;
    out.emplace_back(part.substr(0, part.find(' ')), part);
  }
  return out;
}

std::string Filter(const char* name, const FilterSettings& f) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s %d %d %d", name, f.fs, f.type, f.bypass == 1 ? 0 : f.slope);
  return buffer;
}

// The parts that shape the curve a fit corrects; gain, delay and phase are
// recorded too but leave the measured magnitude's shape alone.
constexpr std::array<std::string_view, 4> kShapingParts = {"hp", "lp", "bypass", "eq"};

}  // namespace

std::string SettingsRecordLine(const SceneProfile& profile, int channel) {
  if (channel < 0 || channel >= kOutputChannels) return {};
  const ChannelSettings& ch = profile.channels[static_cast<size_t>(channel)];
  std::string line = kSettingsPrefix;
  line += " " + Filter("hp", ch.crossover.hp) + "; " + Filter("lp", ch.crossover.lp) + "; bypass ";
  line += ch.bypass ? "1" : "0";
  line += "; eq";
  const auto bands = profile.eqArray(channel);
  for (int b = 0; b < profile.bandCount(channel); ++b) {
    const EqBand& band = bands[static_cast<size_t>(b)];
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, " %d/%.1f/%.1f/%d", band.freq, static_cast<double>(band.eqFactor),
                  static_cast<double>(band.eqGain), band.enable ? 1 : 0);
    line += buffer;
  }
  char tail[96];
  std::snprintf(tail, sizeof tail, "; gain %.1f; delay %.2f; phase %d", static_cast<double>(ch.gain),
                static_cast<double>(ch.delay), ch.phase);
  line += tail;
  return line;
}

std::vector<std::string> SettingsDifferences(const std::string& recorded, const SceneProfile& profile, int channel) {
  const auto now = Parts(SettingsRecordLine(profile, channel));
  std::vector<std::string> out;
  for (const auto& part : Parts(recorded)) {
    if (std::find(kShapingParts.begin(), kShapingParts.end(), part.first) == kShapingParts.end()) continue;
    const auto same = std::find_if(now.begin(), now.end(), [&](const auto& p) { return p.first == part.first; });
    if (same != now.end() && same->second != part.second) out.push_back(part.first);
  }
  return out;
}

LoadResult LoadMeasurement(const std::string& path) {
  LoadResult r;
  CurveReadResult read = ReadCurveFile(path);
  if (!read.ok) {
    r.error = read.error;
    return r;
  }
  r.ok = true;
  r.measurement.path = path;
  r.measurement.curve = std::move(read.curve);
  // The record sits among the first lines, before or between the numbers.
  std::ifstream in(path);
  std::string line;
  for (int n = 0; n < 200 && std::getline(in, line); ++n) {
    line = Trim(line);
    if (line.rfind(kSettingsPrefix, 0) == 0) {
      r.measurement.recordedSettings = line;
      break;
    }
  }
  return r;
}

std::string PlotCurvesCsv(const PlotCurves& c) {
  std::string out = "frequency_hz,measured_db,target_db,predicted_db,equaliser_db\n";
  char buffer[160];
  for (size_t i = 0; i < c.hz.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%.2f,%.3f,%.3f", c.hz[i], c.measured[i], c.target[i]);
    out += buffer;
    if (c.fitted && i < c.predicted.size() && i < c.equaliser.size()) {
      std::snprintf(buffer, sizeof buffer, ",%.3f,%.3f", c.predicted[i], c.equaliser[i]);
      out += buffer;
    } else {
      out += ",,";
    }
    out += '\n';
  }
  return out;
}

std::pair<double, double> PlotLevelRange(const PlotCurves& c) {
  double lo = 1e300;
  double hi = -1e300;
  for (const std::vector<double>* v : {&c.measured, &c.target, &c.predicted}) {
    for (double d : *v) {
      if (!std::isfinite(d)) continue;
      lo = std::min(lo, d);
      hi = std::max(hi, d);
    }
  }
  if (lo > hi) return {-15.0, 15.0};
  lo = std::floor(lo / 5.0) * 5.0 - 5.0;
  hi = std::ceil(hi / 5.0) * 5.0 + 5.0;
  if (hi - lo < 30.0) {
    const double grow = (30.0 - (hi - lo)) / 2.0;
    lo = std::floor((lo - grow) / 5.0) * 5.0;
    hi = lo + 30.0;
  }
  return {lo, hi};
}

TuningSession::TuningSession(const SceneProfile& profile, int channel, int partner)
    : profile_(std::make_unique<SceneProfile>(profile)), channel_(channel), partner_(partner) {}

std::string TuningSession::AddMeasurement(const std::string& path, bool forPartner) {
  if (forPartner && partner_ < 0) return path + ": the channel has no linked partner";
  LoadResult r = LoadMeasurement(path);
  if (!r.ok) return r.error;
  (forPartner ? partnerFiles_ : files_).push_back(std::move(r.measurement));
  return {};
}

void TuningSession::ClearMeasurements() {
  files_.clear();
  partnerFiles_.clear();
}

std::string TuningSession::SetCalibration(const std::string& path) {
  if (path.empty()) {
    request_.micCalibration.reset();
    return {};
  }
  CurveReadResult r = ReadCurveFile(path);
  if (!r.ok) return r.error;
  request_.micCalibration = std::move(r.curve);
  return {};
}

std::string TuningSession::SetTargetFile(const std::string& path) {
  CurveReadResult r = ReadCurveFile(path);
  if (!r.ok) return r.error;
  request_.target.kind = TargetKind::File;
  request_.target.file = std::move(r.curve);
  return {};
}

void TuningSession::SetTarget(TargetKind kind) {
  // A file target needs its file: SetTargetFile.
  if (kind == TargetKind::File && request_.target.file.empty()) return;
  request_.target.kind = kind;
}

void TuningSession::SetSmoothing(int fraction) {
  if (IsSmoothingAllowed(fraction)) request_.smoothing = fraction;
}

void TuningSession::SetRange(double loHz, double hiHz) {
  request_.rangeLoHz = loHz;
  request_.rangeHiHz = hiHz;
}

std::vector<std::string> TuningSession::Warnings() const {
  std::vector<std::string> out;
  auto check = [&](const std::vector<Measurement>& files, int channel) {
    for (const Measurement& m : files) {
      if (m.recordedSettings.empty()) continue;
      const std::vector<std::string> diff = SettingsDifferences(m.recordedSettings, *profile_, channel);
      if (diff.empty()) continue;
      std::string parts;
      for (const std::string& d : diff) parts += (parts.empty() ? "" : ", ") + d;
      out.push_back(m.path + ": " + parts);
    }
  };
  check(files_, channel_);
  if (linked()) check(partnerFiles_, partner_);
  return out;
}

PreparedFit TuningSession::Prepare() const {
  TuneRequest request = request_;
  for (const Measurement& m : files_) request.measurements.push_back(m.curve);
  // A linked pair: both channels' files, averaged in dB after smoothing.
  if (linked()) {
    for (const Measurement& m : partnerFiles_) request.measurements.push_back(m.curve);
  }
  return PrepareChannelFit(*profile_, channel_, request);
}

PlotCurves TuningSession::Curves(const PreparedFit& prepared, const FitResult* result) const {
  PlotCurves c;
  if (!prepared.ok) return c;
  const FitInput& in = prepared.input;
  c.hz = in.hz;
  c.measured = in.measured;
  c.target = in.target;
  c.loHz = prepared.loHz;
  c.hiHz = prepared.hiHz;
  if (result != nullptr && result->status == FitStatus::Ok) {
    c.fitted = true;
    c.equaliser = EqualiserLevels(result->bands, false, in.hz);
    c.predicted.resize(in.hz.size());
    for (size_t i = 0; i < in.hz.size(); ++i) c.predicted[i] = in.measured[i] - in.presentEq[i] + c.equaliser[i];
    for (const Exclusion& e : result->excluded) c.excluded.push_back({e.loHz, e.hiHz, e.kind});
  }
  return c;
}

FitResult TuningSession::Fit(const PreparedFit& prepared, const std::atomic<bool>* cancel) {
  if (!prepared.ok) {
    FitResult r;
    r.error = prepared.error;
    return r;
  }
  FitControl control;
  control.cancel = cancel;
  return FitChannel(prepared.input, control);
}

std::vector<int> TuningSession::ApplyChannels() const {
  if (linked()) return {channel_, partner_};
  return {channel_};
}

}  // namespace vlm::tune
