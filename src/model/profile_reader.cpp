#include <cjson/cJSON.h>

#include <climits>
#include <cstdio>
#include <cmath>
#include <memory>
#include <optional>

#include "base/log.h"
#include "model/file_io.h"
#include "model/profile_file.h"

namespace vlm {
namespace {

struct JsonDeleter {
  void operator()(cJSON* item) const { cJSON_Delete(item); }
};

// The integer value of a JSON number, saturated as cJSON's valueint is.
int32_t IntegerValue(double d) {
  if (std::isnan(d)) return 0;
  if (d >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (d <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int32_t>(d);
}

std::string Number(double d) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9g", d);
  return text;
}

// How an integer read from a file is brought into the model's range: clamped
// to lo..hi, or replaced by `fallback` when outside, or (for input masks)
// stripped of the bits of inputs that do not exist.
struct IntRule {
  int lo;
  int hi;
  std::optional<int> fallback = std::nullopt;
  bool mask = false;
};

constexpr IntRule kFlag{0, 1};
constexpr IntRule kChannelIndex{0, kOutputChannels - 1};
constexpr IntRule kLinkPartner{-1, kOutputChannels - 1, -1};
constexpr IntRule kPosition{0, kSpeakerPositions, 0};  // unknown codes mean "none"
constexpr IntRule kInputMask{0, kInputMaskAll, std::nullopt, true};
constexpr IntRule kMixVolume{0, kMixVolumeMax};
constexpr IntRule kMainVolume{kMainVolumeDefault, kMainVolumeSliderMax};
constexpr IntRule kAcc{kAccMin, kAccMax};
constexpr IntRule kSubVolume{kSubVolumeMin, kSubVolumeMax};
constexpr IntRule kFrequency{kEqFreqMin, kEqFreqMax};
constexpr IntRule kFilterType{kFilterTypeMin, kFilterTypeMax, 1};
constexpr IntRule kFilterSlope{0, kFilterSlopeMax};
constexpr IntRule kBpType{0, 3};

// Walks one document into a scratch profile, checking every level and
// remembering the first thing that is wrong.
class DocumentReader {
 public:
  DocumentReader(SceneProfile& out, ProfileLoadResult& result) : out_(out), result_(result) {}

  bool Read(const cJSON* root) {
    if (!cJSON_IsObject(root)) return Fail("document", "an object");
    const cJSON* model = cJSON_GetObjectItem(root, "model");
    if (!cJSON_IsNumber(model)) return Fail("model", "a number");
    if (model->valuedouble != kModelNumber) {
      result_.status = ProfileLoadStatus::ModelMismatch;
      result_.detail = "model is " + Number(model->valuedouble) + ", expected " +
                       std::to_string(kModelNumber);
      return false;
    }
    return Int(root, "", "mainVolume", kMainVolume, out_.mainVolume) &&
           Int(root, "", "acc", kAcc, out_.acc) &&
           Int(root, "", "subVolume", kSubVolume, out_.subVolume) &&
           Int(root, "", "mainVolumeMute", kFlag, out_.mainVolumeMute) &&
           MatrixAt(root, "inputs", kInputMask, out_.inputs) &&
           IntRow(Member(root, "outputs"), "outputs", kPosition, out_.outputs) &&
           IntRow(Member(root, "linkOutputs"), "linkOutputs", kLinkPartner,
                  out_.linkOutputs) &&
           IntRow(Member(root, "showChEqualizer"), "showChEqualizer", kFlag,
                  out_.showChEqualizer) &&
           Int(root, "", "currChannel", kChannelIndex, out_.currChannel) &&
           Int(root, "", "linkMode", kFlag, out_.linkMode) &&
           Int(root, "", "lockMode", kFlag, out_.lockMode) && MixVolumes(root) &&
           MatrixAt(root, "inMixPhase", kFlag, out_.inMixPhase) && Channels(root);
  }

 private:
  bool Fail(const std::string& path, const std::string& expected) {
    if (result_.status == ProfileLoadStatus::Ok) {
      result_.status = ProfileLoadStatus::BadStructure;
      result_.detail = path + ": expected " + expected;
    }
    return false;
  }

  static std::string Join(const std::string& parent, const char* key) {
    return parent.empty() ? key : parent + "." + key;
  }
  static std::string Index(const std::string& parent, int i) {
    return parent + "[" + std::to_string(i) + "]";
  }

  // A missing member is reported by the caller's type check (null is no array).
  static const cJSON* Member(const cJSON* object, const char* key) {
    return cJSON_GetObjectItem(object, key);
  }

  void NoteClamp(const std::string& path, double from, double to) {
    result_.clamped.push_back(path + ": " + Number(from) + " -> " + Number(to));
  }

  int32_t Apply(const IntRule& rule, int32_t v, const std::string& path) {
    int32_t r = v;
    if (rule.mask) {
      r = v < 0 ? 0 : (v & rule.hi);
    } else if (v < rule.lo || v > rule.hi) {
      r = rule.fallback ? *rule.fallback : (v < rule.lo ? rule.lo : rule.hi);
    }
    if (r != v) NoteClamp(path, v, r);
    return r;
  }

  float ApplyFloat(double lo, double hi, double v, const std::string& path) {
    const double r = v < lo ? lo : (v > hi ? hi : v);
    if (r != v) NoteClamp(path, v, r);
    return static_cast<float>(r);
  }

  // The number at `key`, or a failure naming it.
  const cJSON* NumberAt(const cJSON* object, const std::string& parent, const char* key) {
    const cJSON* item = cJSON_GetObjectItem(object, key);
    if (!cJSON_IsNumber(item)) {
      Fail(Join(parent, key), "a number");
      return nullptr;
    }
    return item;
  }

  bool Int(const cJSON* object, const std::string& parent, const char* key, const IntRule& rule,
           int32_t& out) {
    const cJSON* item = NumberAt(object, parent, key);
    if (item == nullptr) return false;
    out = Apply(rule, IntegerValue(item->valuedouble), Join(parent, key));
    return true;
  }

  bool Float(const cJSON* object, const std::string& parent, const char* key, double lo,
             double hi, float& out) {
    const cJSON* item = NumberAt(object, parent, key);
    if (item == nullptr) return false;
    out = ApplyFloat(lo, hi, item->valuedouble, Join(parent, key));
    return true;
  }

  const cJSON* Object(const cJSON* object, const std::string& parent, const char* key) {
    const cJSON* item = cJSON_GetObjectItem(object, key);
    if (!cJSON_IsObject(item)) {
      Fail(Join(parent, key), "an object");
      return nullptr;
    }
    return item;
  }

  // An array of exactly `size` elements (counted without walking a huge one twice).
  bool SizedArray(const cJSON* item, const std::string& path, int size, const char* of) {
    if (!cJSON_IsArray(item)) return Fail(path, "an array of " + std::to_string(size) + " " + of);
    int n = 0;
    for (const cJSON* e = item->child; e != nullptr; e = e->next) {
      if (++n > size) break;
    }
    if (n != size) {
      return Fail(path, "an array of " + std::to_string(size) + " " + of + " (found " +
                            (n > size ? "more" : std::to_string(n)) + ")");
    }
    return true;
  }

  template <std::size_t N>
  bool IntRow(const cJSON* item, const std::string& path, const IntRule& rule,
              std::array<int32_t, N>& out) {
    if (!SizedArray(item, path, static_cast<int>(N), "numbers")) return false;
    int i = 0;
    for (const cJSON* e = item->child; e != nullptr; e = e->next, ++i) {
      if (!cJSON_IsNumber(e)) return Fail(Index(path, i), "a number");
      out[i] = Apply(rule, IntegerValue(e->valuedouble), Index(path, i));
    }
    return true;
  }

  template <std::size_t R, std::size_t N>
  bool IntMatrix(const cJSON* item, const std::string& path, const IntRule& rule,
                 std::array<std::array<int32_t, N>, R>& out) {
    if (!SizedArray(item, path, static_cast<int>(R), "arrays")) return false;
    int i = 0;
    for (const cJSON* e = item->child; e != nullptr; e = e->next, ++i) {
      if (!IntRow(e, Index(path, i), rule, out[i])) return false;
    }
    return true;
  }

  template <std::size_t R, std::size_t N>
  bool MatrixAt(const cJSON* root, const char* key, const IntRule& rule,
                std::array<std::array<int32_t, N>, R>& out) {
    return IntMatrix(cJSON_GetObjectItem(root, key), std::string(key), rule, out);
  }

  bool MixVolumes(const cJSON* root) {
    const std::string path = "inputMixVolume";
    const cJSON* item = cJSON_GetObjectItem(root, "inputMixVolume");
    if (!SizedArray(item, path, kInputSources, "arrays")) return false;
    int s = 0;
    for (const cJSON* e = item->child; e != nullptr; e = e->next, ++s) {
      if (!IntMatrix(e, Index(path, s), kMixVolume, out_.inputMixVolume[s])) return false;
    }
    return true;
  }

  bool Filter(const cJSON* crossover, const std::string& parent, const char* key,
              FilterSettings& f) {
    const cJSON* o = Object(crossover, parent, key);
    if (o == nullptr) return false;
    const std::string path = Join(parent, key);
    return Int(o, path, "fs", kFrequency, f.fs) && Int(o, path, "type", kFilterType, f.type) &&
           Int(o, path, "slope", kFilterSlope, f.slope) && Int(o, path, "bypass", kFlag, f.bypass);
  }

  bool Band(const cJSON* o, const std::string& path, EqBand& band) {
    if (!cJSON_IsObject(o)) return Fail(path, "an object");
    const cJSON* enable = nullptr;
    if (!Int(o, path, "freq", kFrequency, band.freq) ||
        !Float(o, path, "eqFactor", kEqQMin, kEqQMax, band.eqFactor) ||
        !Float(o, path, "eqGain", kEqGainMinDb, kEqGainMaxDb, band.eqGain) ||
        (enable = NumberAt(o, path, "enable")) == nullptr) {
      return false;
    }
    band.enable = IntegerValue(enable->valuedouble) != 0;
    return true;
  }

  bool Channel(const cJSON* o, int c) {
    const std::string path = Index("channels", c);
    if (!cJSON_IsObject(o)) return Fail(path, "an object");
    ChannelSettings& ch = out_.channels[c];

    const cJSON* size = NumberAt(o, path, "eqSize");
    if (size == nullptr) return false;
    const int32_t eqSize = IntegerValue(size->valuedouble);
    // More bands than the storage holds would overrun it: that is no profile.
    if (eqSize < 0 || eqSize > kEqBands) return Fail(Join(path, "eqSize"), "0 to 31 bands");
    ch.eqSize = eqSize;

    const cJSON* gain = NumberAt(o, path, "gain");
    if (gain == nullptr) return false;
    // The gain is kept in whole dB, as the amplifier's trim is.
    ch.gain = ApplyFloat(kChannelGainMinDb, kChannelGainMaxDb,
                         static_cast<double>(IntegerValue(gain->valuedouble)), Join(path, "gain"));

    if (!Int(o, path, "mute", kFlag, ch.mute) ||
        !Float(o, path, "delay", 0.0, kDelayMaxMs, ch.delay) ||
        !Int(o, path, "phase", kFlag, ch.phase)) {
      return false;
    }
    const cJSON* bypass = NumberAt(o, path, "bypass");
    if (bypass == nullptr) return false;
    ch.bypass = (static_cast<uint32_t>(IntegerValue(bypass->valuedouble)) & 0xFFu) != 0;

    const cJSON* crossover = Object(o, path, "crossover");
    if (crossover == nullptr) return false;
    const std::string xpath = Join(path, "crossover");
    if (!Int(crossover, xpath, "bpType", kBpType, ch.crossover.bpType) ||
        !Filter(crossover, xpath, "hp", ch.crossover.hp) ||
        !Filter(crossover, xpath, "lp", ch.crossover.lp)) {
      return false;
    }

    const cJSON* bands = cJSON_GetObjectItem(o, "eqArray");
    const std::string bpath = Join(path, "eqArray");
    if (!SizedArray(bands, bpath, eqSize, "objects")) return false;
    auto eq = out_.eqArray(c);
    int b = 0;
    for (const cJSON* e = bands->child; e != nullptr; e = e->next, ++b) {
      if (!Band(e, Index(bpath, b), eq[b])) return false;
    }
    return true;
  }

  bool Channels(const cJSON* root) {
    const cJSON* item = cJSON_GetObjectItem(root, "channels");
    if (!SizedArray(item, "channels", kOutputChannels, "objects")) return false;
    int c = 0;
    for (const cJSON* e = item->child; e != nullptr; e = e->next, ++c) {
      if (!Channel(e, c)) return false;
    }
    return true;
  }

  SceneProfile& out_;
  ProfileLoadResult& result_;
};

ProfileLoadResult Failed(ProfileLoadStatus status, std::string detail) {
  ProfileLoadResult r;
  r.status = status;
  r.detail = std::move(detail);
  return r;
}

}  // namespace

const char* ProfileLoadMessageKey(ProfileLoadStatus status) {
  switch (status) {
    case ProfileLoadStatus::Ok: return "";
    case ProfileLoadStatus::CannotRead:
    case ProfileLoadStatus::NotJson: return "${profile_open_error}";
    case ProfileLoadStatus::ModelMismatch: return "${software_not_match}";
    case ProfileLoadStatus::BadStructure: return "${profile_load_error}";
  }
  return "${profile_load_error}";
}

ProfileLoadResult ParseSceneProfile(std::string_view text, SceneProfile& target) {
  if (text.size() > kMaxProfileFileBytes) {
    return Failed(ProfileLoadStatus::CannotRead, "document too large");
  }
  std::unique_ptr<cJSON, JsonDeleter> root(cJSON_ParseWithLength(text.data(), text.size()));
  if (!root) {
    LogMessage("read profile file error! not JSON\n");
    return Failed(ProfileLoadStatus::NotJson, "not JSON");
  }

  // Fill a copy, so that fields the file does not hold keep their values and a
  // bad file changes nothing at all.
  auto scratch = std::make_unique<SceneProfile>(target);
  ProfileLoadResult result;
  DocumentReader reader(*scratch, result);
  if (!reader.Read(root.get())) {
    if (result.status == ProfileLoadStatus::BadStructure) {
      LogMessage("read profile file error! %s\n", result.detail.c_str());
      LogMessage("read profile file error! error\n");
    }
    LogMessage("read profile file error! error1\n");
    result.clamped.clear();
    return result;
  }
  for (const std::string& note : result.clamped) {
    LogMessage("read profile file: value out of range, %s\n", note.c_str());
  }
  target = *scratch;
  LogMessage("read profile file ok\n");
  return result;
}

ProfileLoadResult ReadSceneProfile(const std::string& path, SceneProfile& target) {
  std::string text;
  std::string error;
  if (!ReadWholeFile(path, kMaxProfileFileBytes, text, error)) {
    LogMessage("read profile file %s error! %s\n", path.c_str(), error.c_str());
    return Failed(ProfileLoadStatus::CannotRead, error);
  }
  return ParseSceneProfile(text, target);
}

}  // namespace vlm
