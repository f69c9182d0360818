#include "device/decode_dsp.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>

#include "base/log.h"
#include "device/encoding.h"
#include "device/events.h"
#include "device/messages.h"
#include "device/packet.h"
#include "device/protocol.h"
#include "model/model_constants.h"

namespace vlm {
namespace {

using enc::Reader;
using proto::Describe;

// The command byte of a read, by its name in the protocol table.
consteval uint8_t Cmd(std::string_view name) { return Describe(name).command; }

// The controller files a record under profile `scene` (0 live, 1..10 stored)
// and source-indexed tables under `source`: a reply naming anything else is
// dropped instead of becoming an index out of bounds further on.
bool SceneOk(unsigned scene) {
  if (scene <= static_cast<unsigned>(kStoredScenes)) return true;
  LogMessage("dsp_ack_process: scene(%u) out of range, reply dropped\n", scene);
  return false;
}
bool SourceOk(unsigned source) {
  if (source < static_cast<unsigned>(kInputSources)) return true;
  LogMessage("dsp_ack_process: source(%u) out of range, reply dropped\n", source);
  return false;
}

class DspDecoder {
 public:
  DspDecoder(const DecodeSettings& settings, uint8_t cmd, uint8_t op, Reader payload)
      : settings_(settings), cmd_(cmd), op_(op), p_(payload) {}

  DecodedEvents Run();

 private:
  void Post(std::unique_ptr<EventRecord> record, Receiver to = Receiver::MainWindow,
            int message = WM_DSP_EVENT) {
    events_.push_back({to, message, cmd_, 0, std::move(record)});
  }
  proto::Widths Widths() const {
    return {.trimHundredths = settings_.trimHundredths, .wideInputMasks = settings_.inputChannelCount >= 9};
  }
  void PostValue(intptr_t value) { events_.push_back({Receiver::MainWindow, WM_DSP_EVENT, cmd_, value, nullptr}); }

  // Scene, source, first, last header shared by most range replies; false
  // when the header is incomplete or names a scene out of range.
  bool RangeHeader(uint8_t& scene, uint8_t& source, uint8_t& first, uint8_t& last) {
    if (!p_.Has(0, 4)) return false;
    scene = p_.U8(0);
    source = p_.U8(1);
    first = p_.U8(2);
    last = p_.U8(3);
    return SceneOk(scene);
  }

  void SourceConfig();
  void Filters();
  void EqBands();
  void Delays();
  void Trims();
  void ChannelBytes();
  void Phases();
  void Mixes();
  void Links();
  void Lock();
  void Calibration();
  void InputChannels();
  void InputMixTrims();
  void InputNoise();
  void QFactorModes();
  void Compressors();
  void Distortion();
  void MemData();

  const DecodeSettings& settings_;
  uint8_t cmd_;
  uint8_t op_;
  Reader p_;
  DecodedEvents events_;
};

// Commands decoded whatever their op; every other reply must be data (0xDD).
bool AnyOp(uint8_t cmd) {
  switch (cmd) {
    case 0x0D: case 0x0E: case 0x0F: case 0x11: case 0x12: case 0x24: case 0x34: case 0x83:
      return true;
    default:
      return cmd >= 0x13 && cmd <= 0x1A;
  }
}

DecodedEvents DspDecoder::Run() {
  if (!AnyOp(cmd_) && op_ != kOpData) return {};
  switch (cmd_) {
    case Cmd("Get_Source_Config"): SourceConfig(); break;
    case Cmd("Get_Source"):
    case Cmd("Get_Mute"):
    case Cmd("Get_Factory_Preset"): case Cmd("Get_Setup_Mode"): case Cmd("Get_AUTO_ON"):
    case Cmd("Get_Amp_Mute"):
      if (p_.Has(0, 1)) PostValue(p_.U8(0));
      break;
    case Cmd("Get_Main_Volume"): case Cmd("Get_Subwoofer_Volume"): case Cmd("Get_Input_Threshold"):
      if (p_.Has(0, 1)) PostValue(p_.S8(0));
      break;
    case Cmd("Get_Filter"): Filters(); break;
    case Cmd("Get_EQ"): case Cmd("Get_Input_EQ"): EqBands(); break;
    case Cmd("Get_Delay"): Delays(); break;
    case Cmd("Get_Trim"): Trims(); break;
    case Cmd("Get_CH_Type"):
      if (op_ == kOpAck) {
        LogMessage("DSP_CH_TYPE OP_ACK\n");
      } else if (op_ == kOpData) {
        ChannelBytes();
      }
      break;
    case Cmd("Get_Mute_Ch"): case Cmd("Get_PEQ_Bypass"): case Cmd("Get_Ch_Solo"): ChannelBytes(); break;
    case Cmd("Get_PEQ_Reset"):
      if (op_ == kOpData) {
        LogMessage("DSP_EQ_RESET OP=0x%x, scene =%d, \n", op_, p_.Has(0, 1) ? p_.U8(0) : 0);
      } else {
        ChannelBytes();
      }
      break;
    case Cmd("Get_Phase"): Phases(); break;
    case Cmd("Get_Mix_Ch"): Mixes(); break;
    case Cmd("Get_CH_Link"): case Cmd("Get_CH_Trim_Link"): case Cmd("Get_CH_Delay_Link"): Links(); break;
    case Cmd("Get_CH_Lock"): Lock(); break;
    case Cmd("IRC_Get"): case Cmd("IRC_Get_Distance"): case Cmd("IRC_Get_Trim"): case Cmd("IRC_Get_EQ"):
    case Cmd("IRC_Get_Spk_Size"): case Cmd("IRC_Get_Spk_Phase"): case Cmd("IRC_Get_Spk_Level"):
    case Cmd("IRC_Get_Spectrum"): case Cmd("IRC_Get_Noise_Level"):
      Calibration();
      break;
    case Cmd("Get_Input_Trim"): case Cmd("Get_Mute_Input_Ch"): case Cmd("Get_Phase_Input_Ch"): InputChannels(); break;
    case Cmd("Get_Input_Mix_CH_Trim"): InputMixTrims(); break;
    case Cmd("Get_Input_Noise"): InputNoise(); break;
    case Cmd("Get_Remote_CH"):
      if (p_.Has(0, 2)) PostValue(p_.U16(0));
      break;
    case Cmd("Get_Speaker_Config"):
      if (p_.Has(0, 1)) {
        auto record = std::make_unique<SpeakerConfigRecord>();
        record->spk_cfg = p_.U8(0);
        Post(std::move(record));
      }
      break;
    case Cmd("Get_Mix_Type"):
      if (p_.Has(0, 3) && SceneOk(p_.U8(0))) {
        auto record = std::make_unique<MixTypeRecord>();
        record->scene = p_.U8(0);
        record->source = p_.U8(1);
        record->mix_type = p_.U8(2);
        Post(std::move(record));
      }
      break;
    case Cmd("Get_HPF_Q_Fact_Mode"): case Cmd("Get_LPF_Q_Fact_Mode"): QFactorModes(); break;
    case Cmd("Get_Compressor"): Compressors(); break;
    case Cmd("Get_InDistort"): case Cmd("Get_OutDistort"): Distortion(); break;
    case Cmd("Get_MemData"): MemData(); break;
    case Cmd("Get_Mix_Type2"):
      if (p_.Has(0, 1)) {
        auto record = std::make_unique<MixTypeRecord>();
        record->scene = 0;
        record->source = 5;
        record->mix_type = p_.U8(0);
        LogMessage("DSP_MIX_TYPE2 OP=0x%x, mix_type2 = %d\n", op_, p_.U8(0));
        Post(std::move(record));
      }
      break;
    default:
      break;  // 0x1C and commands without a reply layout
  }
  return std::move(events_);
}

void DspDecoder::SourceConfig() {
  if (!p_.Has(0, 1)) return;
  const int count = p_.U8(0);
  LogMessage("DSP_SOURCE_CONFIG update total source=%d -->\n", count);
  for (int i = 0; i < count && p_.Has(1 + i, 1); ++i) LogMessage("source%d = %d\n", i, p_.U8(1 + i));
}

void DspDecoder::Filters() {
  uint8_t scene, source, first, last;
  if (!RangeHeader(scene, source, first, last)) return;
  LogMessage("DSP_FILTER_GET OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", op_, scene,
             source, first, last);
  using namespace proto::blocks;
  constexpr auto& c = Describe("Get_Filter");
  const size_t header = proto::HeaderSize(c.replyHeader), block = proto::Width(c.replyBlock);
  const auto range = CutRange(first, last, header, block, p_.size(), kRecordMaxChannel);
  if (!range) return;
  std::array<double, std::size(kFilterReply)> v{};
  for (int i = 0; i < range->Count(); ++i) {
    proto::ReadBlock(p_, header + static_cast<size_t>(i) * block, c.replyBlock, v);
    auto record = std::make_unique<FilterRecord>();
    record->scene = scene;
    record->ch = range->first + i;
    record->hp_type = static_cast<uint32_t>(v[kHpType]);
    record->hp_freq = static_cast<uint32_t>(v[kHpFreq]);
    record->hp_slope = static_cast<uint32_t>(v[kHpSlope]);
    record->lp_type = static_cast<uint32_t>(v[kLpType]);
    record->lp_freq = static_cast<uint32_t>(v[kLpFreq]);
    record->lp_slope = static_cast<uint32_t>(v[kLpSlope]);
    LogMessage("ch(%d): hp_type = %d, hp_freq = %d, hp_slope = %d, lp_type = %d, lp_freq = %d, lp_slope = %d\n",
               record->ch, record->hp_type, record->hp_freq, record->hp_slope, record->lp_type,
               record->lp_freq, record->lp_slope);
    Post(std::move(record));
  }
}

void DspDecoder::EqBands() {
  using namespace proto::blocks;
  // Input equaliser replies (0x23) have the layout of the output ones.
  constexpr auto& c = Describe("Get_EQ");
  const size_t header = proto::HeaderSize(c.replyHeader), block = proto::Width(c.replyBlock);
  if (!p_.Has(0, header) || !SceneOk(p_.U8(0))) return;
  const uint8_t scene = p_.U8(0), source = p_.U8(1), ch = p_.U8(2), band = p_.U8(3), bandEnd = p_.U8(4);
  LogMessage("DSP_EQ_GET OP=0x%x, scene =%d, source = 0x%x, ch(%d), from band(%d) to band_end(%d)\n", op_,
             scene, source, ch, band, bandEnd);
  if (ch > kRecordMaxChannel) return;
  // Bands are not an index of a record, so they are only cut to the blocks present.
  const auto range = CutRange(band, bandEnd, header, block, p_.size(), 255);
  if (!range) return;
  std::array<double, std::size(kEqBandReply)> v{};
  for (int i = 0; i < range->Count(); ++i) {
    proto::ReadBlock(p_, header + static_cast<size_t>(i) * block, c.replyBlock, v);
    auto record = std::make_unique<EqBandRecord>();
    record->scene = scene;
    record->ch = ch;
    record->band = range->first + i;
    record->freq = static_cast<uint32_t>(v[kEqFreq]);
    record->q = static_cast<float>(v[kEqQ]);
    record->gain = static_cast<float>(v[kEqGain]);
    LogMessage("band(%d), freq(%d), Q(%1.2f), Gain(%.2f)\n", record->band, record->freq, record->q, record->gain);
    Post(std::move(record));
  }
}

void DspDecoder::Delays() {
  uint8_t scene, source, first, last;
  if (!RangeHeader(scene, source, first, last)) return;
  LogMessage("DSP_DELAY_GET OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", op_, scene, source,
             first, last);
  constexpr auto& c = Describe("Get_Delay");
  const size_t header = proto::HeaderSize(c.replyHeader), block = proto::Width(c.replyBlock);
  const auto range = CutRange(first, last, header, block, p_.size(), kRecordMaxChannel);
  if (!range) return;
  for (int i = 0; i < range->Count(); ++i) {
    auto record = std::make_unique<DelayRecord>();
    record->scene = scene;
    record->ch = range->first + i;
    record->delay =
        static_cast<float>(proto::Read(p_, header + static_cast<size_t>(i) * block, c.replyBlock[0].codec));
    LogMessage("ch(%d): delay = %.3f\n", record->ch, record->delay);
    Post(std::move(record));
  }
}

void DspDecoder::Trims() {
  uint8_t scene, source, first, last;
  if (!RangeHeader(scene, source, first, last)) return;
  LogMessage("DSP_TRIM_GET OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", op_, scene, source,
             first, last);
  constexpr auto& c = Describe("Get_Trim");
  const proto::Widths widths = Widths();
  const size_t header = proto::HeaderSize(c.replyHeader), block = proto::Width(c.replyBlock, widths);
  const auto range = CutRange(first, last, header, block, p_.size(), kRecordMaxChannel);
  if (!range) return;
  for (int i = 0; i < range->Count(); ++i) {
    auto record = std::make_unique<TrimRecord>();
    record->scene = scene;
    record->ch = range->first + i;
    record->trim = static_cast<float>(
        proto::Read(p_, header + static_cast<size_t>(i) * block, c.replyBlock[0].codec, widths));
    LogMessage("ch(%d): trim = %.2f\n", record->ch, record->trim);
    Post(std::move(record));
  }
}

void DspDecoder::ChannelBytes() {
  uint8_t scene, source, first, last;
  if (!RangeHeader(scene, source, first, last)) return;
  LogMessage("DSP_CH_VALUE cmd(0x%x) OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", cmd_, op_,
             scene, source, first, last);
  const auto range = CutRange(first, last, 4, 1, p_.size(), kRecordMaxChannel);
  if (!range) return;
  for (int i = 0; i < range->Count(); ++i) {
    auto record = std::make_unique<ChannelValueRecord>();
    record->scene = scene;
    record->ch = range->first + i;
    record->value = p_.U8(4 + i);
    LogMessage("ch(%d): value = %d\n", record->ch, record->value);
    Post(std::move(record));
  }
}

void DspDecoder::Phases() {
  uint8_t scene, source, first, last;
  if (!RangeHeader(scene, source, first, last)) return;
  LogMessage("DSP_PHASE_GET OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", op_, scene, source,
             first, last);
  const auto range = CutRange(first, last, 4, 1, p_.size(), kRecordMaxChannel);
  if (!range) return;
  for (int i = 0; i < range->Count(); ++i) {
    auto record = std::make_unique<PhaseRecord>();
    record->scene = scene;
    record->ch = range->first + i;
    record->phase = p_.S8(4 + i);
    Post(std::move(record));
  }
}

void DspDecoder::Mixes() {
  uint8_t scene, source, first, last;
  if (!RangeHeader(scene, source, first, last) || !SourceOk(source)) return;
  LogMessage("DSP_MIX_GET OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", op_, scene, source,
             first, last);
  constexpr auto& c = Describe("Get_Mix_Ch");
  const proto::Widths widths = Widths();
  const size_t header = proto::HeaderSize(c.replyHeader), block = proto::Width(c.replyBlock, widths);
  const auto range = CutRange(first, last, header, block, p_.size(), kRecordMaxChannel);
  if (!range) return;
  for (int i = 0; i < range->Count(); ++i) {
    auto record = std::make_unique<MixRecord>();
    record->scene = scene;
    record->source = source;
    record->ch = range->first + i;
    record->inputMask = static_cast<uint32_t>(
        proto::Read(p_, header + static_cast<size_t>(i) * block, c.replyBlock[0].codec, widths));
    Post(std::move(record));
  }
}

void DspDecoder::Links() {
  if (!p_.Has(0, 2) || !SceneOk(p_.U8(0))) return;
  auto record = std::make_unique<LinkRecord>();
  record->scene = p_.U8(0);
  record->link = p_.U8(1);
  const size_t wanted = std::clamp<size_t>(static_cast<size_t>(std::max(settings_.outputChannelCount, 0)) / 2, 0,
                                           record->pairs.size());
  const size_t count = std::min(wanted, p_.size() - 2);
  for (size_t i = 0; i < count; ++i) record->pairs[i] = p_.U8(2 + i);
  record->pairCount = static_cast<uint32_t>(count);
  LogMessage("DSP_CH_LINK cmd(0x%x) OP=0x%x, scene =%d, link = %d, pairs: %s\n", cmd_, op_, record->scene,
             record->link, HexBytes(std::span(record->pairs.data(), count)).c_str());
  Post(std::move(record));
}

void DspDecoder::Lock() {
  if (!p_.Has(0, 2) || !SceneOk(p_.U8(0))) return;
  auto record = std::make_unique<LockRecord>();
  record->scene = p_.U8(0);
  record->lock = p_.U8(1);
  LogMessage("DSP_CH_LOCK OP=0x%x, scene =%d, lock = %d\n", op_, record->scene, record->lock);
  Post(std::move(record));
}

// The tool never asks for calibration data; the replies still have a layout:
// 0x13 status and progress bytes, 0x16 and 0x1A a channel and a band range,
// the others a channel range; each entry a signed 16-bit value.
void DspDecoder::Calibration() {
  if (cmd_ == 0x1B && op_ != kOpData) return;
  if (cmd_ == 0x13) {
    if (!p_.Has(0, 1)) return;
    events_.push_back({Receiver::CalibrationWindow, WM_CALIBRATION_EVENT, p_.U8(0), p_.Has(1, 1) ? p_.U8(1) : 0,
                       nullptr});
    return;
  }
  const bool perBand = cmd_ == 0x16 || cmd_ == 0x1A;
  const size_t header = perBand ? 3 : 2;
  if (!p_.Has(0, header)) return;
  const uint8_t ch = p_.U8(0);
  const uint8_t first = p_.U8(perBand ? 1 : 0);
  const uint8_t last = p_.U8(perBand ? 2 : 1);
  if (perBand && ch > kRecordMaxChannel) return;
  const auto range = CutRange(first, last, header, 2, p_.size(), perBand ? 255 : kRecordMaxChannel);
  if (!range) return;
  for (int i = 0; i < range->Count(); ++i) {
    auto record = std::make_unique<CalibrationRecord>();
    record->ch = perBand ? ch : range->first + i;
    record->band = perBand ? range->first + i : 0;
    record->value = static_cast<int16_t>(p_.U16(header + 2 * static_cast<size_t>(i)));
    Post(std::move(record), Receiver::CalibrationWindow, WM_CALIBRATION_EVENT);
  }
}

void DspDecoder::InputChannels() {
  uint8_t scene, source, first, last;
  if (!RangeHeader(scene, source, first, last) || !SourceOk(source)) return;
  LogMessage("DSP_INPUT_CH cmd(0x%x) OP=0x%x, scene =%d, source = %d, from ch(%d) to ch_end(%d)\n", cmd_, op_,
             scene, source, first, last);
  const auto range = CutRange(first, last, 4, 1, p_.size(), kRecordMaxChannel);
  if (!range) return;
  auto record = std::make_unique<InputChannelsRecord>();
  record->scene = scene;
  record->source = source;
  record->first = range->first;
  record->last = range->last;
  for (int i = 0; i < range->Count(); ++i) record->values[range->first + i] = p_.S8(4 + i);
  Post(std::move(record));
}

void DspDecoder::InputMixTrims() {
  if (!p_.Has(0, 5) || !SceneOk(p_.U8(0)) || !SourceOk(p_.U8(1))) return;
  const uint8_t scene = p_.U8(0), source = p_.U8(1), inCh = p_.U8(2), first = p_.U8(3), last = p_.U8(4);
  LogMessage("DSP_INPUT_MIX_CH_TRIM OP=0x%x, scene =%d, source = %d, in_ch %d, out_ch_x %d, out_ch_y %d\n", op_,
             scene, source, inCh, first, last);
  if (inCh > kRecordMaxChannel) return;
  const auto range = CutRange(first, last, 5, 1, p_.size(), kRecordMaxChannel);
  if (!range) return;
  auto record = std::make_unique<InputMixTrimRecord>();
  record->scene = scene;
  record->source = source;
  record->in_ch = inCh;
  record->first = range->first;
  record->last = range->last;
  for (int i = 0; i < range->Count(); ++i) record->trims[i] = p_.S8(5 + i);
  Post(std::move(record));
}

void DspDecoder::InputNoise() {
  if (!p_.Has(0, 2)) return;
  const auto range = CutRange(p_.U8(0), p_.U8(1), 2, 2, p_.size(), kRecordMaxChannel);
  if (!range) return;
  auto record = std::make_unique<InputNoiseRecord>();
  record->first = range->first;
  record->last = range->last;
  for (int i = 0; i < range->Count(); ++i) {
    const size_t at = 2 + 2 * static_cast<size_t>(i);
    record->noise[range->first + i] = static_cast<float>(p_.U8(at) + p_.U8(at + 1) / 10.0 - 100.0);
  }
  Post(std::move(record), settings_.noiseToMainWindow ? Receiver::MainWindow : Receiver::ToolWindow);
}

void DspDecoder::QFactorModes() {
  uint8_t scene, source, first, last;
  if (!RangeHeader(scene, source, first, last)) return;
  const auto range = CutRange(first, last, 4, 1, p_.size(), kRecordMaxChannel);
  if (!range) return;
  auto record = std::make_unique<QFactorModeRecord>();
  record->scene = scene;
  record->source = source;
  record->first = range->first;
  record->last = range->last;
  for (int i = 0; i < range->Count(); ++i) record->modes[range->first + i] = p_.U8(4 + i);
  Post(std::move(record));
}

// The amplifier answers a compressor range with one block that holds for all
// its channels; should it send one block per channel, each channel takes its own.
void DspDecoder::Compressors() {
  using namespace proto::blocks;
  constexpr auto& c = Describe("Get_Compressor");
  const size_t kBlock = proto::Width(c.replyBlock);
  std::array<double, std::size(kCompressorReply)> v{};
  uint8_t scene, source, first, last;
  if (!RangeHeader(scene, source, first, last) || !p_.Has(4, kBlock)) return;
  if (last < first || first > kRecordMaxChannel) return;
  const int count = std::min<int>(last, kRecordMaxChannel) - first + 1;
  for (int i = 0; i < count; ++i) {
    const size_t own = 4 + static_cast<size_t>(i) * kBlock;
    const size_t at = p_.Has(own, kBlock) ? own : 4;
    auto record = std::make_unique<CompressorRecord>();
    record->scene = scene;
    record->ch = first + i;
    proto::ReadBlock(p_, at, c.replyBlock, v);
    record->bypass = static_cast<uint32_t>(v[kCompBypass]);
    record->threshold = static_cast<int32_t>(v[kCompThreshold]);
    record->ratio = static_cast<float>(v[kCompRatio]);
    record->softKnee = static_cast<float>(v[kCompSoftKnee]);
    record->attack = static_cast<uint32_t>(v[kCompAttack]);
    record->release = static_cast<uint32_t>(v[kCompRelease]);
    Post(std::move(record));
  }
}

void DspDecoder::Distortion() {
  if (!p_.Has(0, 3) || !SourceOk(p_.U8(0))) return;
  const uint8_t source = p_.U8(0);
  LogMessage("DSP_%s_CH_DISTORT source %d, ch from %d to %d\n", cmd_ == 0x40 ? "INPUT" : "OUTPUT", source,
             p_.U8(1), p_.U8(2));
  const auto range = CutRange(p_.U8(1), p_.U8(2), 3, 1, p_.size(), kRecordMaxChannel);
  if (!range) return;
  auto record = std::make_unique<DistortRecord>();
  record->source = source;
  record->first = range->first;
  record->last = range->last;
  for (int i = 0; i < range->Count(); ++i) record->flags[range->first + i] = p_.U8(3 + i);
  Post(std::move(record));
}

void DspDecoder::MemData() {
  if (!p_.Has(0, 8)) return;
  auto record = std::make_unique<MemDataRecord>();
  std::copy_n(p_.Bytes(0, 8).begin(), 8, record->bytes.begin());
  LogMessage("DSP_MEMDATA address = 0x%08x, data = 0x%08x\n", record->Address(), record->Data());
  Post(std::move(record), Receiver::MemoryData, WM_MEMDATA_EVENT);
}

}  // namespace

DecodedEvents dsp_ack_process(const DecodeSettings& settings, std::span<const uint8_t> body) {
  if (body.size() < 2) return {};
  const uint8_t cmd = body[0];
  LogMessage("dsp_ack_process: cmd(0x%08x)\n", cmd);
  return DspDecoder(settings, cmd, body[1], Reader(body.subspan(2))).Run();
}

}  // namespace vlm
