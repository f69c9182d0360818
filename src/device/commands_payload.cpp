#include "device/commands_payload.h"

#include <initializer_list>

#include "base/log.h"
#include "device/encoding.h"
#include "device/packet.h"

namespace vlm::payload {
namespace {

// Checks the finished payload against what one frame carries.
std::optional<Payload> Fits(const char* op, Payload bytes) {
  if (bytes.size() <= kMaxPayload) return bytes;
  LogMessage("%s: payload of %zu bytes refused, at most %zu fit a frame\n", op, bytes.size(), kMaxPayload);
  return std::nullopt;
}

// Header, then put(bytes, value) for the values of first..last. Refused when
// the caller's values do not cover the range.
template <class T, class Put>
std::optional<Payload> Range(const char* op, std::initializer_list<uint8_t> header, uint8_t first, uint8_t last,
                             std::span<const T> values, Put put) {
  Payload bytes(header);
  if (last >= first) {
    const size_t count = static_cast<size_t>(last - first) + 1;
    if (values.size() < count) {
      LogMessage("%s: %zu values for %zu entries %d..%d, refused\n", op, values.size(), count, first, last);
      return std::nullopt;
    }
    for (size_t i = 0; i < count; ++i) put(bytes, values[i]);
  }
  return Fits(op, std::move(bytes));
}

void PutEqBand(Payload& bytes, const EqBandValue& band) {
  enc::PutU16(bytes, band.freq);
  const auto q = enc::EncodeEqQ(band.q);
  const auto gain = enc::EncodeEqGain(band.gain);
  bytes.insert(bytes.end(), {q[0], q[1], gain[0], gain[1]});
}

}  // namespace

std::optional<Payload> ChannelBytes(const char* op, uint8_t scene, uint8_t source, uint8_t chX, uint8_t chY,
                                    std::span<const uint8_t> values) {
  return Range(op, {scene, source, chX, chY}, chX, chY, values, [](Payload& b, uint8_t v) { b.push_back(v); });
}

std::optional<Payload> Delays(uint8_t scene, uint8_t source, uint8_t chX, uint8_t chY,
                              std::span<const float> delaysMs) {
  return Range("Delay_Ctrl", {scene, source, chX, chY}, chX, chY, delaysMs, [](Payload& b, float ms) {
    const auto d = enc::EncodeDelay(ms);
    b.insert(b.end(), d.begin(), d.end());
  });
}

std::optional<Payload> Trims(uint8_t scene, uint8_t source, uint8_t chX, uint8_t chY, std::span<const float> trimsDb,
                             bool hundredths) {
  return Range("Trim_Ctrl", {scene, source, chX, chY}, chX, chY, trimsDb, [hundredths](Payload& b, float db) {
    b.push_back(enc::EncodeTrim(db));
    if (hundredths) b.push_back(enc::EncodeTrimHundredths(db));
  });
}

std::optional<Payload> Mixes(uint8_t scene, uint8_t source, uint8_t outX, uint8_t outY,
                             std::span<const uint16_t> masks, int inputChannelCount) {
  const bool wide = inputChannelCount >= 9;
  return Range("Mix_Ch_Ctrl", {scene, source, outX, outY}, outX, outY, masks, [wide](Payload& b, uint16_t mask) {
    if (wide) {
      enc::PutU16(b, mask);
    } else {
      b.push_back(static_cast<uint8_t>(mask & 0xFF));
    }
  });
}

Payload Filter(uint8_t scene, uint8_t source, uint8_t ch, uint8_t iFilter, uint8_t type, uint16_t freq,
               uint8_t slope) {
  Payload bytes{scene, source, ch, iFilter, type};
  enc::PutU16(bytes, freq);
  bytes.push_back(slope);
  return bytes;
}

Payload Eq(uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, const EqBandValue& value) {
  Payload bytes{scene, source, ch, band};
  PutEqBand(bytes, value);
  return bytes;
}

std::optional<Payload> InputEq(uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t bandEnd,
                               std::span<const EqBandValue> bands) {
  return Range("Input_EQ_Ctrl", {scene, source, ch, band, bandEnd}, band, bandEnd, bands, PutEqBand);
}

std::optional<Payload> Links(const char* op, uint8_t scene, uint8_t link, std::span<const ChannelPair> pairs) {
  if (pairs.size() > 255) {
    LogMessage("%s: %zu pairs refused\n", op, pairs.size());
    return std::nullopt;
  }
  Payload bytes{scene, link, static_cast<uint8_t>(pairs.size())};
  for (const ChannelPair& pair : pairs) bytes.insert(bytes.end(), {pair.from, pair.to});
  return Fits(op, std::move(bytes));
}

std::optional<Payload> CountedList(const char* op, std::span<const uint8_t> header, std::span<const uint8_t> items,
                                   bool withCount) {
  if (items.size() > 255) {
    LogMessage("%s: %zu entries refused\n", op, items.size());
    return std::nullopt;
  }
  Payload bytes(header.begin(), header.end());
  if (withCount) bytes.push_back(static_cast<uint8_t>(items.size()));
  bytes.insert(bytes.end(), items.begin(), items.end());
  return Fits(op, std::move(bytes));
}

std::optional<Payload> InputMixTrims(uint8_t scene, uint8_t source, uint8_t inChannel, uint8_t outX, uint8_t outY,
                                     std::span<const uint8_t> trims) {
  return Range("Input_Mix_Trim_Ctrl", {scene, source, inChannel, outX, outY}, outX, outY, trims,
               [](Payload& b, uint8_t v) { b.push_back(v); });
}

std::optional<Payload> InputMixTrims2(uint8_t scene, uint8_t source, uint8_t inX, uint8_t inY, uint8_t outCh,
                                      std::span<const uint8_t> trims) {
  return Range("Input_Mix_Trim_Ctrl2", {scene, source, inX, inY, outCh}, inX, inY, trims,
               [](Payload& b, uint8_t v) { b.push_back(v); });
}

Payload Compressor(uint8_t scene, uint8_t source, uint8_t ch, uint8_t bypass, float thresholdDb, float ratio,
                   float softKnee, uint16_t attack, uint16_t release) {
  Payload bytes{scene, source, ch, bypass};
  for (const auto& pair : {enc::EncodeThreshold(thresholdDb), enc::EncodeTenths(ratio), enc::EncodeTenths(softKnee)}) {
    bytes.insert(bytes.end(), pair.begin(), pair.end());
  }
  enc::PutU16(bytes, attack);
  enc::PutU16(bytes, release);
  return bytes;
}

std::optional<Payload> SceneName(uint8_t scene, std::span<const uint8_t> name) {
  if (name.size() > 255) return Fits("SetSceneName", Payload(name.size() + 2));
  Payload bytes{scene, static_cast<uint8_t>(name.size())};
  bytes.insert(bytes.end(), name.begin(), name.end());
  return Fits("SetSceneName", std::move(bytes));
}

std::optional<Payload> SceneProfile(uint8_t scene, uint16_t start, std::span<const uint8_t> data) {
  if (data.size() > 255) return Fits("SetSceneProfile", Payload(data.size() + 4));
  Payload bytes{scene};
  enc::PutU16(bytes, start);
  bytes.push_back(static_cast<uint8_t>(data.size()));
  bytes.insert(bytes.end(), data.begin(), data.end());
  return Fits("SetSceneProfile", std::move(bytes));
}

std::optional<Payload> Password(std::span<const uint8_t> password, std::span<const uint8_t> remark) {
  if (password.size() > 255 || remark.size() > 255) return Fits("SetPWD", Payload(password.size() + remark.size() + 2));
  Payload bytes{static_cast<uint8_t>(password.size())};
  bytes.insert(bytes.end(), password.begin(), password.end());
  bytes.push_back(static_cast<uint8_t>(remark.size()));
  bytes.insert(bytes.end(), remark.begin(), remark.end());
  return Fits("SetPWD", std::move(bytes));
}

}  // namespace vlm::payload
