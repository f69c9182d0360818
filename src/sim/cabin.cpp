#include "sim/cabin.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "model/model_constants.h"

namespace vlm::sim {
namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

// Ranges a cabin must keep to: wide enough for any car, narrow enough that a
// typo (a distance in centimetres, a delay in samples) is caught.
constexpr double kMinSpeed = 100.0, kMaxSpeed = 1000.0;
constexpr double kMinNoise = -200.0, kMaxNoise = 0.0;
constexpr double kMaxDistance = 20.0;
constexpr double kMinLevel = -120.0, kMaxLevel = 40.0;
constexpr double kMaxReflectionMs = 200.0;
constexpr double kMinHz = 1.0, kMaxHz = 100000.0;

class Checker {
 public:
  bool Failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  void Fail(const std::string& where, const std::string& what) {
    if (error_.empty()) error_ = where + ": " + what;
  }

  // A number in [lo, hi]; `required` false leaves `out` as it is when absent.
  void Number(const cJSON* object, const char* key, const std::string& where, double lo, double hi,
              bool required, double& out) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
    const std::string field = where.empty() ? std::string(key) : where + "." + key;
    if (!item) {
      if (required) Fail(field, "missing");
      return;
    }
    if (!cJSON_IsNumber(item) || !std::isfinite(item->valuedouble)) {
      Fail(field, "must be a number");
      return;
    }
    if (item->valuedouble < lo || item->valuedouble > hi) {
      std::ostringstream s;
      s << item->valuedouble << " is outside " << lo << " .. " << hi;
      Fail(field, s.str());
      return;
    }
    out = item->valuedouble;
  }

  // Every key of `object` is one of `known`.
  void OnlyKnownKeys(const cJSON* object, std::initializer_list<const char*> known, const std::string& where) {
    for (const cJSON* item = object->child; item; item = item->next) {
      const bool ok = std::any_of(known.begin(), known.end(),
                                  [&](const char* k) { return item->string && std::string(item->string) == k; });
      if (!ok) Fail(where.empty() ? std::string(item->string ? item->string : "?") : where + "." + item->string,
                    "unknown field");
    }
  }

 private:
  std::string error_;
};

std::string SpeakerWhere(int index, const cJSON* speaker) {
  std::string where = "speakers[" + std::to_string(index) + "]";
  const cJSON* ch = cJSON_GetObjectItemCaseSensitive(speaker, "channel");
  if (cJSON_IsNumber(ch)) {
    // Named as given; a number too large for an integer is named as it reads.
    const double v = ch->valuedouble;
    char text[32];
    if (std::isfinite(v) && std::fabs(v) < 1e9) {
      std::snprintf(text, sizeof text, "%lld", static_cast<long long>(v));
    } else {
      std::snprintf(text, sizeof text, "%g", v);
    }
    where += " (channel " + std::string(text) + ")";
  }
  return where;
}

void ReadResponse(Checker& check, const cJSON* list, const std::string& where, CabinSpeaker& out) {
  if (!list) return;
  if (!cJSON_IsArray(list)) return check.Fail(where, "must be a list of [Hz, dB] pairs");
  int i = 0;
  for (const cJSON* pair = list->child; pair; pair = pair->next, ++i) {
    const std::string at = where + "[" + std::to_string(i) + "]";
    if (!cJSON_IsArray(pair) || cJSON_GetArraySize(pair) != 2 || !cJSON_IsNumber(pair->child) ||
        !cJSON_IsNumber(pair->child->next)) {
      return check.Fail(at, "must be a pair [Hz, dB]");
    }
    const double hz = pair->child->valuedouble, db = pair->child->next->valuedouble;
    if (!std::isfinite(hz) || hz < kMinHz || hz > kMaxHz) return check.Fail(at, "frequency outside 1 .. 100000 Hz");
    if (!std::isfinite(db) || db < kMinLevel || db > kMaxLevel) return check.Fail(at, "level outside -120 .. 40 dB");
    if (!out.response.empty() && hz <= out.response.back().first) {
      return check.Fail(at, "frequencies must rise from point to point");
    }
    out.response.emplace_back(hz, db);
  }
  if (out.response.empty()) check.Fail(where, "has no points");
}

void ReadReflections(Checker& check, const cJSON* list, const std::string& where, CabinSpeaker& out) {
  if (!list) return;
  if (!cJSON_IsArray(list)) return check.Fail(where, "must be a list of objects");
  int i = 0;
  for (const cJSON* r = list->child; r; r = r->next, ++i) {
    const std::string at = where + "[" + std::to_string(i) + "]";
    if (!cJSON_IsObject(r)) return check.Fail(at, "must be an object");
    check.OnlyKnownKeys(r, {"delayMs", "levelDb"}, at);
    CabinReflection reflection;
    check.Number(r, "delayMs", at, 0.0, kMaxReflectionMs, true, reflection.delayMs);
    check.Number(r, "levelDb", at, kMinLevel, kMaxLevel, true, reflection.levelDb);
    out.reflections.push_back(reflection);
  }
}

}  // namespace

const CabinSpeaker* Cabin::Speaker(int channel) const {
  for (const CabinSpeaker& s : speakers) {
    if (s.channel == channel) return &s;
  }
  return nullptr;
}

CabinReadResult ParseCabin(std::string_view json) {
  CabinReadResult result;
  JsonPtr root(cJSON_ParseWithLength(json.data(), json.size()), &cJSON_Delete);
  if (!root) {
    result.error = "not valid JSON";
    return result;
  }
  if (!cJSON_IsObject(root.get())) {
    result.error = "the cabin must be a JSON object";
    return result;
  }
  Checker check;
  Cabin& cabin = result.cabin;
  check.OnlyKnownKeys(root.get(), {"speedOfSoundMps", "noiseDbFs", "loopback", "speakers"}, "");
  check.Number(root.get(), "speedOfSoundMps", "", kMinSpeed, kMaxSpeed, false, cabin.speedOfSoundMps);
  check.Number(root.get(), "noiseDbFs", "", kMinNoise, kMaxNoise, false, cabin.noiseDbFs);
  if (const cJSON* loop = cJSON_GetObjectItemCaseSensitive(root.get(), "loopback")) {
    if (!cJSON_IsBool(loop)) {
      check.Fail("loopback", "must be true or false");
    } else {
      cabin.loopback = cJSON_IsTrue(loop);
    }
  }
  const cJSON* speakers = cJSON_GetObjectItemCaseSensitive(root.get(), "speakers");
  if (!speakers) {
    check.Fail("speakers", "missing");
  } else if (!cJSON_IsArray(speakers)) {
    check.Fail("speakers", "must be a list");
  } else {
    std::set<int> channels;
    int i = 0;
    for (const cJSON* s = speakers->child; s && !check.Failed(); s = s->next, ++i) {
      const std::string where = SpeakerWhere(i, s);
      if (!cJSON_IsObject(s)) {
        check.Fail(where, "must be an object");
        break;
      }
      check.OnlyKnownKeys(s, {"channel", "distanceM", "levelDb", "response", "reflections"}, where);
      CabinSpeaker speaker;
      double channel = 0;
      check.Number(s, "channel", where, 1, kOutputChannels, true, channel);
      if (!check.Failed() && channel != std::floor(channel)) check.Fail(where + ".channel", "must be a whole number");
      speaker.channel = static_cast<int>(channel);
      if (!check.Failed() && !channels.insert(speaker.channel).second) {
        check.Fail(where + ".channel", "channel " + std::to_string(speaker.channel) + " is listed twice");
      }
      check.Number(s, "distanceM", where, 0.0, kMaxDistance, true, speaker.distanceM);
      check.Number(s, "levelDb", where, kMinLevel, kMaxLevel, false, speaker.levelDb);
      ReadResponse(check, cJSON_GetObjectItemCaseSensitive(s, "response"), where + ".response", speaker);
      ReadReflections(check, cJSON_GetObjectItemCaseSensitive(s, "reflections"), where + ".reflections", speaker);
      cabin.speakers.push_back(std::move(speaker));
    }
  }
  if (check.Failed()) {
    result.error = check.error();
    result.cabin = Cabin{};
    return result;
  }
  result.ok = true;
  return result;
}

CabinReadResult ReadCabinFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    CabinReadResult r;
    r.error = "cannot read " + path;
    return r;
  }
  std::ostringstream text;
  text << in.rdbuf();
  CabinReadResult r = ParseCabin(text.str());
  if (!r.ok) r.error = path + ": " + r.error;
  return r;
}

double SpeakerResponseDb(const CabinSpeaker& speaker, double hz) {
  const auto& points = speaker.response;
  if (points.empty()) return 0.0;
  if (hz <= points.front().first) return points.front().second;
  if (hz >= points.back().first) return points.back().second;
  const auto upper = std::upper_bound(points.begin(), points.end(), hz,
                                      [](double f, const std::pair<double, double>& p) { return f < p.first; });
  const auto lower = upper - 1;
  const double t = std::log(hz / lower->first) / std::log(upper->first / lower->first);
  return lower->second + t * (upper->second - lower->second);
}

Cabin DefaultCabin() {
  using Points = std::vector<std::pair<double, double>>;
  // Typical drivers as heard at the seat: the cabin lifts the bass.
  const Points tweeter{{800, -30}, {2000, -8}, {3500, 0}, {10000, 1}, {20000, -4}};
  const Points mid{{60, -20}, {150, -5}, {300, 0}, {3000, -1}, {8000, -10}, {20000, -30}};
  const Points woofer{{25, -16}, {50, -4}, {100, 0}, {500, 2}, {2000, -5}, {6000, -24}, {20000, -45}};
  const Points sub{{12, -8}, {25, 2}, {60, 4}, {150, -1}, {600, -20}, {3000, -45}, {20000, -60}};
  auto speaker = [](int channel, double distance, double level, const Points& response,
                    std::vector<CabinReflection> reflections) {
    CabinSpeaker s;
    s.channel = channel;
    s.distanceM = distance;
    s.levelDb = level;
    s.response = response;
    s.reflections = std::move(reflections);
    return s;
  };
  Cabin cabin;
  cabin.speedOfSoundMps = 343.0;
  cabin.noiseDbFs = -70.0;
  cabin.loopback = true;
  // Channels in the factory order: 1/2 front tweeters (A-pillars), 3/4 front
  // mids and 5/6 front woofers (doors), 7/8 rear tweeters, 9/10 rear woofers
  // (parcel shelf / rear doors), 11/12 subwoofers in the boot.
  cabin.speakers = {
      speaker(1, 0.72, -2.0, tweeter, {{0.9, -7.0}, {2.6, -12.0}}),
      speaker(2, 1.31, -4.0, tweeter, {{1.2, -6.0}, {3.1, -11.0}}),
      speaker(3, 0.86, -1.0, mid, {{1.4, -6.0}, {3.8, -10.0}}),
      speaker(4, 1.42, -3.0, mid, {{0.8, -5.0}, {4.2, -10.0}}),
      speaker(5, 0.78, 0.0, woofer, {{1.8, -4.0}, {5.0, -8.0}}),
      speaker(6, 1.49, -2.0, woofer, {{1.1, -4.0}, {5.6, -8.0}}),
      speaker(7, 1.18, -8.0, tweeter, {{1.6, -8.0}}),
      speaker(8, 1.52, -9.0, tweeter, {{2.1, -8.0}}),
      speaker(9, 1.25, -4.0, woofer, {{2.4, -5.0}, {6.3, -9.0}}),
      speaker(10, 1.58, -5.0, woofer, {{1.9, -5.0}, {6.8, -9.0}}),
      speaker(11, 2.05, 0.0, sub, {{3.2, -3.0}, {7.7, -6.0}}),
      speaker(12, 2.18, 0.0, sub, {{3.5, -3.0}, {8.1, -6.0}}),
  };
  return cabin;
}

}  // namespace vlm::sim
