#include "session/session_steps.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/log.h"
#include "device/commands.h"
#include "model/conversions.h"
#include "model/source_table.h"

namespace vlm {
namespace {

constexpr uint8_t kLastChannel = kOutputChannels - 1;
constexpr int kEqGroup = 8;

std::string Name(const char* format, int a = 0, int b = 0, int c = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

}  // namespace

SessionStatus RunStep(DeviceLink& link, const SessionStep& step) {
  if (!link.IsConnected()) return SessionStatus::NotConnected;
  const uint64_t failuresBefore = link.Frames().WriteFailures();
  if (step.run(link)) return SessionStatus::Ok;
  if (!link.IsConnected() || link.Transport().DeviceGone()) return SessionStatus::Disconnected;
  if (link.Frames().WriteFailures() != failuresBefore) return SessionStatus::WriteFailed;
  return SessionStatus::NoReply;
}

std::vector<SessionStep> ReadBackPlan() {
  std::vector<SessionStep> plan;
  auto add = [&](std::string name, std::function<bool(DeviceLink&)> run) {
    plan.push_back({std::move(name), std::move(run)});
  };
  add("Get_Source", [](DeviceLink& l) { return Get_Source(l); });
  add("Get_Main_Volume", [](DeviceLink& l) { return Get_Main_Volume(l); });
  add("Get_Acc", [](DeviceLink& l) { return Get_Acc(l); });
  add("Get_Subwoofer_Volume", [](DeviceLink& l) { return Get_Subwoofer_Volume(l); });
  add("Get_Mute", [](DeviceLink& l) { return Get_Mute(l); });
  add("Get_Amp_Mute", [](DeviceLink& l) { return Get_Amp_Mute(l); });
  add("Get_CH_Type", [](DeviceLink& l) { return Get_CH_Type(l, 0, 0, 0, kLastChannel); });
  add("Get_CH_Link", [](DeviceLink& l) { return Get_CH_Link(l, 0); });
  add("Get_CH_Lock", [](DeviceLink& l) { return Get_CH_Lock(l, 0); });
  for (int first = 0; first < kOutputChannels; first += 4) {
    const auto ch = static_cast<uint8_t>(first), end = static_cast<uint8_t>(first + 3);
    add(Name("Get_Filter ch %d..%d", ch, end), [ch, end](DeviceLink& l) { return Get_Filter(l, 0, 0, ch, end); });
  }
  add("Get_PEQ_Bypass", [](DeviceLink& l) { return Get_PEQ_Bypass(l, 0, 0, 0, kLastChannel); });
  for (int c = 0; c < kOutputChannels; ++c) {
    for (int band = 0; band < kEqBands; band += kEqGroup) {
      const auto ch = static_cast<uint8_t>(c), b = static_cast<uint8_t>(band);
      const auto bEnd = static_cast<uint8_t>(std::min(band + kEqGroup, kEqBands) - 1);
      add(Name("Get_EQ ch %d bands %d..%d", c, b, bEnd),
          [ch, b, bEnd](DeviceLink& l) { return Get_EQ(l, 0, 0, ch, b, bEnd); });
    }
  }
  add("Get_Delay", [](DeviceLink& l) { return Get_Delay(l, 0, 0, 0, kLastChannel); });
  add("Get_Trim", [](DeviceLink& l) { return Get_Trim(l, 0, 0, 0, kLastChannel); });
  for (int s = 0; s < kInputSources; ++s) {
    const auto src = static_cast<uint8_t>(s);
    add(Name("Get_Phase_Input_Ch source %d", s),
        [src](DeviceLink& l) { return Get_Phase_Input_Ch(l, 0, src, 0, kLastChannel); });
  }
  add("Get_Mute_Ch", [](DeviceLink& l) { return Get_Mute_Ch(l, 0, 0, 0, kLastChannel); });
  add("Get_Phase", [](DeviceLink& l) { return Get_Phase(l, 0, 0, 0, kLastChannel); });
  for (int s = 0; s < kInputSources; ++s) {
    const auto src = static_cast<uint8_t>(s);
    add(Name("Get_Mix_Ch source %d", s), [src](DeviceLink& l) { return Get_Mix_Ch(l, 0, src, 0, kLastChannel); });
  }
  for (int s = 0; s < kInputSources; ++s) {
    for (int in = 0; in < InputCount(s); ++in) {
      const auto src = static_cast<uint8_t>(s), input = static_cast<uint8_t>(in);
      add(Name("Get_Input_Mix_CH_Trim source %d input %d", s, in),
          [src, input](DeviceLink& l) { return Get_Input_Mix_CH_Trim(l, 0, src, input, 0, kLastChannel); });
    }
  }
  for (int n = 1; n <= kStoredScenes; ++n) {
    const auto scene = static_cast<uint8_t>(n);
    add(Name("Get_Scene_Name %d", n), [scene](DeviceLink& l) { return Get_Scene_Name(l, scene); });
  }
  return plan;
}

std::vector<SessionStep> PushPlan(const SceneProfile& profile) {
  std::vector<SessionStep> plan;
  auto add = [&](std::string name, std::function<bool(DeviceLink&)> run) {
    plan.push_back({std::move(name), std::move(run)});
  };
  const float attenuation = MainVolumeAttenuation(profile.mainVolume);
  add("Main_Volume_Ctrl", [attenuation](DeviceLink& l) { return Main_Volume_Ctrl(l, attenuation, true); });
  const auto mute = static_cast<uint8_t>(profile.mainVolumeMute);
  add("Mute_Ctrl", [mute](DeviceLink& l) { return Mute_Ctrl(l, mute, true); });

  for (int c = 0; c < kOutputChannels; ++c) {
    const auto ch = static_cast<uint8_t>(c);
    const FilterSettings lp = profile.channels[c].crossover.lp, hp = profile.channels[c].crossover.hp;
    add(Name("Filter_Ctrl ch %d low-pass", c), [ch, lp](DeviceLink& l) {
      return Filter_Ctrl(l, 0, 0, ch, 1, static_cast<uint8_t>(lp.type), static_cast<uint16_t>(lp.fs),
                         static_cast<uint8_t>(lp.slope), true);
    });
    add(Name("Filter_Ctrl ch %d high-pass", c), [ch, hp](DeviceLink& l) {
      return Filter_Ctrl(l, 0, 0, ch, 2, static_cast<uint8_t>(hp.type), static_cast<uint16_t>(hp.fs),
                         static_cast<uint8_t>(hp.slope), true);
    });
    const auto bands = profile.eqArray(c);
    for (int b = 0; b < profile.bandCount(c); ++b) {
      const EqBand band = bands[b];
      const auto bn = static_cast<uint8_t>(b);
      add(Name("EQ_Ctrl ch %d band %d", c, b), [ch, bn, band](DeviceLink& l) {
        return EQ_Ctrl(l, 0, 0, ch, bn, static_cast<uint16_t>(band.freq), band.eqFactor, band.PlayedGain(), true);
      });
    }
  }

  std::array<uint8_t, kOutputChannels> types{}, mutes{}, phases{}, bypass{};
  std::array<float, kOutputChannels> trims{}, delays{};
  for (int c = 0; c < kOutputChannels; ++c) {
    const ChannelSettings& ch = profile.channels[c];
    types[c] = static_cast<uint8_t>(profile.outputs[c]);
    trims[c] = 0.0f - ch.gain;  // the amplifier takes the negated gain
    mutes[c] = static_cast<uint8_t>(ch.mute);
    phases[c] = static_cast<uint8_t>(ch.phase);
    delays[c] = ch.delay;
    bypass[c] = ch.bypass ? 1 : 0;
  }
  add("CH_Type_Ctrl", [types](DeviceLink& l) { return CH_Type_Ctrl(l, 0, 0, 0, kLastChannel, types, true); });
  add("Trim_Ctrl", [trims](DeviceLink& l) { return Trim_Ctrl(l, 0, 0, 0, kLastChannel, trims, true); });
  add("Mute_Ch_Ctrl", [mutes](DeviceLink& l) { return Mute_Ch_Ctrl(l, 0, 0, 0, kLastChannel, mutes, true); });
  add("Phase_Ctrl", [phases](DeviceLink& l) { return Phase_Ctrl(l, 0, 0, 0, kLastChannel, phases, true); });
  add("Delay_Ctrl", [delays](DeviceLink& l) { return Delay_Ctrl(l, 0, 0, 0, kLastChannel, delays, true); });
  add("PEQ_Bypass_Ctrl",
      [bypass](DeviceLink& l) { return PEQ_Bypass_Ctrl(l, 0, 0, 0, kLastChannel, bypass, true); });

  for (int s = 0; s < kInputSources; ++s) {
    std::array<uint16_t, kOutputChannels> masks{};
    for (int c = 0; c < kOutputChannels; ++c) {
      masks[c] = static_cast<uint16_t>(profile.inputs[s][c]);
      LogMessage("source = %d, out_ch=%d, in=0x%x\n", s, c, masks[c]);
    }
    const auto src = static_cast<uint8_t>(s);
    add(Name("Mix_Ch_Ctrl source %d", s),
        [src, masks](DeviceLink& l) { return Mix_Ch_Ctrl(l, 0, src, 0, kLastChannel, masks, true); });
  }
  return plan;
}

std::vector<SessionStep> PushMixTrimPlan(const SceneProfile& profile, bool queued) {
  std::vector<SessionStep> plan;
  for (int s = 0; s < kInputSources; ++s) {
    for (int in = 0; in < InputCount(s); ++in) {
      std::array<uint8_t, kOutputChannels> levels{};
      for (int c = 0; c < kOutputChannels; ++c) {
        levels[c] = static_cast<uint8_t>(std::clamp(profile.inputMixVolume[s][in][c], 0, kMixVolumeMax));
      }
      const auto src = static_cast<uint8_t>(s), input = static_cast<uint8_t>(in);
      plan.push_back({Name("Input_Mix_Trim_Ctrl source %d input %d", s, in), [src, input, levels, queued](DeviceLink& l) {
                        return Input_Mix_Trim_Ctrl(l, 0, src, input, 0, kLastChannel, levels, !queued);
                      }});
    }
  }
  return plan;
}

}  // namespace vlm
