#include "device/protocol.h"

#include <cmath>

namespace vlm::proto {
namespace {

// `value` as a whole number within [lo, hi] (NaN as lo): the fields carry
// what the bytes can hold and never wrap.
long long Whole(double value, long long lo, long long hi) {
  if (std::isnan(value) || value <= static_cast<double>(lo)) return lo;
  if (value >= static_cast<double>(hi)) return hi;
  return static_cast<long long>(value);
}

long long Hundredths(double value, long long hi) {
  if (std::isnan(value) || value <= 0.0) return 0;
  const double scaled = value * 100.0;
  if (scaled >= static_cast<double>(hi)) return hi;
  return std::llround(scaled);
}

void PutPair(Payload& out, const std::array<uint8_t, 2>& pair) { out.insert(out.end(), pair.begin(), pair.end()); }

double Tenths(const enc::Reader& in, size_t at) { return in.U8(at) + in.U8(at + 1) / 10.0; }

}  // namespace

size_t Width(Codec codec, const Widths& widths) {
  switch (codec) {
    case Codec::U8:
    case Codec::S8:
    case Codec::WholeByte: return 1;
    case Codec::U16:
    case Codec::EqGain:
    case Codec::EqQTenths:
    case Codec::EqQHundredths:
    case Codec::Threshold:
    case Codec::Tenths: return 2;
    case Codec::DelayMs: return 3;
    case Codec::U32LE: return 4;
    case Codec::TrimSet:
    case Codec::TrimReply: return widths.trimHundredths ? 2 : 1;
    case Codec::InputMask: return widths.wideInputMasks ? 2 : 1;
  }
  return 0;
}

size_t Width(Block block, const Widths& widths) {
  size_t total = 0;
  for (const Field& field : block) total += Width(field.codec, widths);
  return total;
}

void Put(Payload& out, Codec codec, double value, const Widths& widths) {
  switch (codec) {
    case Codec::U8: out.push_back(static_cast<uint8_t>(Whole(value, 0, 0xFF))); break;
    case Codec::S8: out.push_back(static_cast<uint8_t>(static_cast<int8_t>(Whole(value, -128, 127)))); break;
    case Codec::U16: enc::PutU16(out, static_cast<uint16_t>(Whole(value, 0, 0xFFFF))); break;
    case Codec::U32LE: enc::PutU32LE(out, static_cast<uint32_t>(Whole(value, 0, 0xFFFFFFFFLL))); break;
    case Codec::WholeByte: out.push_back(enc::EncodeWholeByte(value)); break;
    case Codec::EqGain: PutPair(out, enc::EncodeEqGain(value)); break;
    case Codec::EqQTenths: PutPair(out, enc::EncodeEqQ(value)); break;
    case Codec::EqQHundredths: {
      const long long h = Hundredths(value, 25599);
      out.insert(out.end(), {static_cast<uint8_t>(h / 100), static_cast<uint8_t>(h % 100)});
      break;
    }
    case Codec::DelayMs: {
      const auto d = enc::EncodeDelay(value);
      out.insert(out.end(), d.begin(), d.end());
      break;
    }
    case Codec::TrimSet:
      out.push_back(enc::EncodeTrim(value));
      if (widths.trimHundredths) out.push_back(enc::EncodeTrimHundredths(value));
      break;
    case Codec::TrimReply:
      if (widths.trimHundredths) {  // the attenuation, -trim
        const long long h = Hundredths(-value, 25599);
        out.insert(out.end(), {static_cast<uint8_t>(h / 100), static_cast<uint8_t>(h % 100)});
      } else {
        out.push_back(static_cast<uint8_t>(static_cast<int8_t>(Whole(value, -128, 127))));
      }
      break;
    case Codec::InputMask: {
      const auto mask = static_cast<uint16_t>(Whole(value, 0, 0xFFFF));
      if (widths.wideInputMasks) {
        enc::PutU16(out, mask);
      } else {
        out.push_back(static_cast<uint8_t>(mask & 0xFF));
      }
      break;
    }
    case Codec::Threshold: PutPair(out, enc::EncodeThreshold(value)); break;
    case Codec::Tenths: PutPair(out, enc::EncodeTenths(value)); break;
  }
}

double Read(const enc::Reader& in, size_t at, Codec codec, const Widths& widths) {
  switch (codec) {
    case Codec::U8: return in.U8(at);
    case Codec::S8:
    case Codec::WholeByte: return in.S8(at);
    case Codec::U16: return in.U16(at);
    case Codec::U32LE:
      return static_cast<double>(uint32_t{in.U8(at)} | uint32_t{in.U8(at + 1)} << 8 |
                                 uint32_t{in.U8(at + 2)} << 16 | uint32_t{in.U8(at + 3)} << 24);
    case Codec::EqGain: return enc::DecodeEqGain(in.U8(at), in.U8(at + 1));
    case Codec::EqQTenths: return Tenths(in, at);
    case Codec::EqQHundredths: return enc::DecodeEqQ(in.U8(at), in.U8(at + 1));
    case Codec::DelayMs: return enc::DecodeDelay(in.U8(at), in.U16(at + 1));
    case Codec::TrimSet:
      return widths.trimHundredths ? in.S8(at) + in.S8(at + 1) / 100.0 : in.S8(at);
    case Codec::TrimReply:
      return widths.trimHundredths ? enc::DecodeTrimHundredths(in.U8(at), in.U8(at + 1))
                                   : static_cast<float>(in.S8(at));
    case Codec::InputMask: return widths.wideInputMasks ? in.U16(at) : in.U8(at);
    case Codec::Threshold: return Tenths(in, at) - 100.0;
    case Codec::Tenths: return Tenths(in, at);
  }
  return 0.0;
}

void PutBlock(Payload& out, Block block, std::span<const double> values, const Widths& widths) {
  for (size_t i = 0; i < block.size() && i < values.size(); ++i) Put(out, block[i].codec, values[i], widths);
}

void ReadBlock(const enc::Reader& in, size_t at, Block block, std::span<double> values, const Widths& widths) {
  for (size_t i = 0; i < block.size() && i < values.size(); ++i) {
    values[i] = Read(in, at, block[i].codec, widths);
    at += Width(block[i].codec, widths);
  }
}

const Command* Find(uint8_t type, uint8_t command, uint8_t op) {
  for (const Command& c : kCommands) {
    if (c.type == type && c.command == command && c.op == op) return &c;
  }
  return nullptr;
}

SettingKind ReplySetting(uint8_t type, uint8_t command) {
  // Looked up per reply record: a table by (type, command), made once.
  static const auto table = [] {
    std::array<SettingKind, 4 * 256> t{};
    for (const Command& c : kCommands) {
      if (c.op == kOpGet && c.type < 4) t[c.type * 256u + c.command] = c.setting;
    }
    return t;
  }();
  return type < 4 ? table[type * 256u + command] : SettingKind::None;
}

Payload Encode(const Command& command, std::span<const uint8_t> header, std::span<const double> values,
               size_t count, const Widths& widths) {
  Payload bytes(header.begin(), header.end());
  const size_t fields = command.block.size();
  bytes.reserve(header.size() + count * Width(command.block, widths));
  for (size_t i = 0; i < count && (i + 1) * fields <= values.size(); ++i) {
    PutBlock(bytes, command.block, values.subspan(i * fields, fields), widths);
  }
  return bytes;
}

}  // namespace vlm::proto
