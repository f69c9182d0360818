#include "device/commands_payload.h"

#include <array>
#include <cassert>
#include <initializer_list>

#include "base/log.h"
#include "device/encoding.h"
#include "device/packet.h"
#include "device/protocol.h"

namespace vlm::payload {
namespace {

// Checks the finished payload against what one frame carries.
std::optional<Payload> Fits(const char* op, Payload bytes) {
  if (bytes.size() <= kMaxPayload) return bytes;
  LogMessage("%s: payload of %zu bytes refused, at most %zu fit a frame\n", op, bytes.size(), kMaxPayload);
  return std::nullopt;
}

using proto::Describe;

// The header, then for first..last one block of `command`'s set layout, its
// fields taken from the caller's value through `fields`. Refused when the
// caller's values do not cover the range.
template <class T, class Fields>
std::optional<Payload> Range(const char* op, const proto::Command& command, std::initializer_list<uint8_t> header,
                             uint8_t first, uint8_t last, std::span<const T> values, const proto::Widths& widths,
                             Fields fields) {
  assert(header.size() == proto::HeaderSize(command.header));
  Payload bytes(header);
  if (last >= first) {
    const size_t count = static_cast<size_t>(last - first) + 1;
    if (values.size() < count) {
      LogMessage("%s: %zu values for %zu entries %d..%d, refused\n", op, values.size(), count, first, last);
      return std::nullopt;
    }
    bytes.reserve(bytes.size() + count * proto::Width(command.block, widths));
    for (size_t i = 0; i < count; ++i) proto::PutBlock(bytes, command.block, fields(values[i]), widths);
  }
  return Fits(op, std::move(bytes));
}

// A block of one field.
template <class T>
std::array<double, 1> One(T value) {
  return {static_cast<double>(value)};
}

std::array<double, 3> EqFields(const EqBandValue& band) {
  std::array<double, 3> f{};
  f[proto::blocks::kEqFreq] = band.freq;
  f[proto::blocks::kEqQ] = band.q;
  f[proto::blocks::kEqGain] = band.gain;
  return f;
}

// One block after a fixed header.
Payload Single(const proto::Command& command, std::initializer_list<uint8_t> header,
               std::initializer_list<double> fields) {
  assert(header.size() == proto::HeaderSize(command.header));
  return proto::Encode(command, std::span(header.begin(), header.size()), std::span(fields.begin(), fields.size()), 1);
}

}  // namespace

std::optional<Payload> ChannelBytes(const char* op, uint8_t scene, uint8_t source, uint8_t chX, uint8_t chY,
                                    std::span<const uint8_t> values) {
  // Every one-byte-per-channel set has this layout (Mute_Ch_Ctrl's row stands for them).
  return Range(op, Describe("Mute_Ch_Ctrl"), {scene, source, chX, chY}, chX, chY, values, {}, One<uint8_t>);
}

std::optional<Payload> Delays(uint8_t scene, uint8_t source, uint8_t chX, uint8_t chY,
                              std::span<const float> delaysMs) {
  constexpr auto& d = Describe("Delay_Ctrl");
  return Range(d.name, d, {scene, source, chX, chY}, chX, chY, delaysMs, {}, One<float>);
}

std::optional<Payload> Trims(uint8_t scene, uint8_t source, uint8_t chX, uint8_t chY, std::span<const float> trimsDb,
                             bool hundredths) {
  constexpr auto& d = Describe("Trim_Ctrl");
  return Range(d.name, d, {scene, source, chX, chY}, chX, chY, trimsDb, {.trimHundredths = hundredths}, One<float>);
}

std::optional<Payload> Mixes(uint8_t scene, uint8_t source, uint8_t outX, uint8_t outY,
                             std::span<const uint16_t> masks, int inputChannelCount) {
  constexpr auto& d = Describe("Mix_Ch_Ctrl");
  return Range(d.name, d, {scene, source, outX, outY}, outX, outY, masks,
               {.wideInputMasks = inputChannelCount >= 9}, One<uint16_t>);
}

Payload Filter(uint8_t scene, uint8_t source, uint8_t ch, uint8_t iFilter, uint8_t type, uint16_t freq,
               uint8_t slope) {
  using namespace proto::blocks;
  std::array<double, 3> f{};
  f[kFilterType] = type;
  f[kFilterFreq] = freq;
  f[kFilterSlope] = slope;
  return Single(Describe("Filter_Ctrl"), {scene, source, ch, iFilter}, {f[0], f[1], f[2]});
}

Payload Eq(uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, const EqBandValue& value) {
  const auto f = EqFields(value);
  return Single(Describe("EQ_Ctrl"), {scene, source, ch, band}, {f[0], f[1], f[2]});
}

std::optional<Payload> InputEq(uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t bandEnd,
                               std::span<const EqBandValue> bands) {
  constexpr auto& d = Describe("Input_EQ_Ctrl");
  return Range(d.name, d, {scene, source, ch, band, bandEnd}, band, bandEnd, bands, {}, EqFields);
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
  constexpr auto& d = Describe("Input_Mix_Trim_Ctrl");
  return Range(d.name, d, {scene, source, inChannel, outX, outY}, outX, outY, trims, {}, One<uint8_t>);
}

std::optional<Payload> InputMixTrims2(uint8_t scene, uint8_t source, uint8_t inX, uint8_t inY, uint8_t outCh,
                                      std::span<const uint8_t> trims) {
  constexpr auto& d = Describe("Input_Mix_Trim_Ctrl2");
  return Range(d.name, d, {scene, source, inX, inY, outCh}, inX, inY, trims, {}, One<uint8_t>);
}

Payload Compressor(uint8_t scene, uint8_t source, uint8_t ch, uint8_t bypass, float thresholdDb, float ratio,
                   float softKnee, uint16_t attack, uint16_t release) {
  return Single(Describe("Compressor_Ctrl"), {scene, source, ch, bypass},
                {thresholdDb, ratio, softKnee, static_cast<double>(attack), static_cast<double>(release)});
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
