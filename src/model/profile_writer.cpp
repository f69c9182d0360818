#include <cjson/cJSON.h>

#include <cmath>
#include <memory>

#include "base/log.h"
#include "model/file_io.h"
#include "model/profile_file.h"

namespace vlm {
namespace {

struct JsonDeleter {
  void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

// cJSON prints a NaN or an infinity as null, which no reader would take back.
double Finite(float v) {
  if (std::isfinite(v)) return v;
  LogMessage("profile value %f written as 0\n", static_cast<double>(v));
  return 0.0;
}

template <typename Range>
cJSON* IntArray(const Range& values) {
  cJSON* array = cJSON_CreateArray();
  for (int32_t v : values) cJSON_AddItemToArray(array, cJSON_CreateNumber(v));
  return array;
}

cJSON* FilterObject(const FilterSettings& f) {
  cJSON* o = cJSON_CreateObject();
  cJSON_AddNumberToObject(o, "fs", f.fs);
  cJSON_AddNumberToObject(o, "type", f.type);
  cJSON_AddNumberToObject(o, "slope", f.slope);
  cJSON_AddNumberToObject(o, "bypass", f.bypass);
  return o;
}

cJSON* ChannelObject(const SceneProfile& p, int c) {
  const ChannelSettings& ch = p.channels[c];
  cJSON* o = cJSON_CreateObject();
  // The count of the bands written below, so that the reader, which wants
  // exactly eqSize bands of at most 31, takes back every file it is given.
  cJSON_AddNumberToObject(o, "eqSize", p.bandCount(c));
  cJSON_AddNumberToObject(o, "gain", Finite(ch.gain));
  cJSON_AddNumberToObject(o, "mute", ch.mute);
  cJSON_AddNumberToObject(o, "delay", Finite(ch.delay));
  cJSON_AddNumberToObject(o, "phase", ch.phase);
  cJSON_AddNumberToObject(o, "bypass", ch.bypass ? 1 : 0);

  cJSON* x = cJSON_CreateObject();
  cJSON_AddNumberToObject(x, "bpType", ch.crossover.bpType);
  cJSON_AddItemToObject(x, "hp", FilterObject(ch.crossover.hp));
  cJSON_AddItemToObject(x, "lp", FilterObject(ch.crossover.lp));
  cJSON_AddItemToObject(o, "crossover", x);

  cJSON* bands = cJSON_CreateArray();
  const auto eq = p.eqArray(c);
  for (int b = 0; b < p.bandCount(c); ++b) {
    cJSON* band = cJSON_CreateObject();
    cJSON_AddNumberToObject(band, "freq", eq[b].freq);
    cJSON_AddNumberToObject(band, "eqFactor", Finite(eq[b].eqFactor));
    cJSON_AddNumberToObject(band, "eqGain", Finite(eq[b].eqGain));
    cJSON_AddNumberToObject(band, "enable", eq[b].enable ? 1 : 0);
    cJSON_AddItemToArray(bands, band);
  }
  cJSON_AddItemToObject(o, "eqArray", bands);
  return o;
}

}  // namespace

std::string BuildSceneProfileDocument(const SceneProfile& p) {
  JsonPtr root(cJSON_CreateObject());
  cJSON* r = root.get();
  cJSON_AddNumberToObject(r, "model", kModelNumber);
  cJSON_AddStringToObject(r, "model_name", kModelName);
  cJSON_AddNumberToObject(r, "mainVolume", p.mainVolume);
  cJSON_AddNumberToObject(r, "acc", p.acc);
  cJSON_AddNumberToObject(r, "subVolume", p.subVolume);
  cJSON_AddNumberToObject(r, "mainVolumeMute", p.mainVolumeMute);

  cJSON* channels = cJSON_CreateArray();
  for (int c = 0; c < kOutputChannels; ++c) cJSON_AddItemToArray(channels, ChannelObject(p, c));
  cJSON_AddItemToObject(r, "channels", channels);

  cJSON* inputs = cJSON_CreateArray();
  for (const auto& row : p.inputs) cJSON_AddItemToArray(inputs, IntArray(row));
  cJSON_AddItemToObject(r, "inputs", inputs);

  cJSON_AddItemToObject(r, "outputs", IntArray(p.outputs));
  cJSON_AddItemToObject(r, "linkOutputs", IntArray(p.linkOutputs));
  cJSON_AddItemToObject(r, "showChEqualizer", IntArray(p.showChEqualizer));
  cJSON_AddNumberToObject(r, "currChannel", p.currChannel);
  cJSON_AddNumberToObject(r, "linkMode", p.linkMode);
  cJSON_AddNumberToObject(r, "lockMode", p.lockMode);

  cJSON* mix = cJSON_CreateArray();
  for (const auto& source : p.inputMixVolume) {
    cJSON* perSource = cJSON_CreateArray();
    for (const auto& row : source) cJSON_AddItemToArray(perSource, IntArray(row));
    cJSON_AddItemToArray(mix, perSource);
  }
  cJSON_AddItemToObject(r, "inputMixVolume", mix);

  cJSON* phase = cJSON_CreateArray();
  for (const auto& row : p.inMixPhase) cJSON_AddItemToArray(phase, IntArray(row));
  cJSON_AddItemToObject(r, "inMixPhase", phase);

  char* printed = cJSON_PrintUnformatted(r);
  if (printed == nullptr) return {};
  std::string text(printed);
  cJSON_free(printed);
  return text;
}

const char* ProfileSaveMessageKey(bool ok) {
  return ok ? "${profile_save_ok}" : "${profile_create_error}";
}

ProfileSaveResult WriteSceneProfile(const SceneProfile& profile, const std::string& path) {
  ProfileSaveResult result;
  const std::string text = BuildSceneProfileDocument(profile);
  if (text.empty()) {
    result.detail = "cannot build the document";
  } else {
    result.ok = WriteFileAtomically(path, text, result.detail);
  }
  if (result.ok) {
    LogMessage("write profile file %s ok\n", path.c_str());
  } else {
    LogMessage("write profile file %s error: %s\n", path.c_str(), result.detail.c_str());
  }
  return result;
}

}  // namespace vlm
