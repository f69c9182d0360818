// Fuzzes the cabin reader with arbitrary documents. Besides memory errors it
// checks what the reader promises: a refused document says why and keeps no
// speakers; an accepted one holds only values inside the documented ranges,
// each channel at most once, responses with rising frequencies.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "sim/cabin.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const vlm::sim::CabinReadResult r =
      vlm::sim::ParseCabin(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!r.ok) {
    Require(!r.error.empty());
    Require(r.cabin.speakers.empty());
    return 0;
  }
  const vlm::sim::Cabin& c = r.cabin;
  Require(c.speedOfSoundMps >= 100.0 && c.speedOfSoundMps <= 1000.0);
  Require(c.noiseDbFs >= -200.0 && c.noiseDbFs <= 0.0);
  std::set<int> channels;
  for (const vlm::sim::CabinSpeaker& s : c.speakers) {
    Require(s.channel >= 1 && s.channel <= 12 && channels.insert(s.channel).second);
    Require(s.distanceM >= 0.0 && s.distanceM <= 20.0);
    for (size_t i = 0; i < s.response.size(); ++i) {
      Require(std::isfinite(s.response[i].second));
      Require(i == 0 || s.response[i].first > s.response[i - 1].first);
    }
    for (const vlm::sim::CabinReflection& x : s.reflections) Require(x.delayMs >= 0.0 && x.delayMs <= 200.0);
    Require(std::isfinite(vlm::sim::SpeakerResponseDb(s, 1000.0)));
  }
  return 0;
}
