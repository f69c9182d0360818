#pragma once
// Shared set-up of the upgrade tests: images built here byte by byte, files
// in a private folder, and a link to the virtual amplifier whose traffic is
// traced at the transport (so the trace shows the order in which the tool
// wrote and read).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/timing.h"
#include "device/commands_mcu.h"
#include "device/device_link.h"
#include "device/tracing_transport.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "upgrade/upgrade_protocol.h"

namespace vlm::test {

using Bytes = std::vector<uint8_t>;

inline Bytes Counting(size_t n, uint8_t seed = 1) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
  return b;
}

// A single image: FW_ID, model, start parameters (the body length, big-endian,
// unless given), body, trailer, checksum over everything before it.
inline Bytes MakeImage(uint8_t fwId, uint8_t model, const Bytes& body, Bytes start = {},
                       Bytes trailer = {0x54, 0x52, 0x4C, 0x52}) {
  if (start.empty()) {
    const uint32_t n = static_cast<uint32_t>(body.size());
    start = {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
             static_cast<uint8_t>(n)};
  }
  Bytes image{fwId, model};
  image.insert(image.end(), start.begin(), start.end());
  image.insert(image.end(), body.begin(), body.end());
  image.insert(image.end(), trailer.begin(), trailer.end());
  uint32_t sum = 0;
  for (uint8_t b : image) sum += b;
  image.push_back(static_cast<uint8_t>(sum >> 24));
  image.push_back(static_cast<uint8_t>(sum >> 16));
  image.push_back(static_cast<uint8_t>(sum >> 8));
  image.push_back(static_cast<uint8_t>(sum));
  return image;
}

inline void PutU32(Bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// A merged file of the two images.
inline Bytes MakeMerged(const Bytes& mcu, const Bytes& dsp, uint8_t head0 = 0x73, uint8_t head1 = 0x00) {
  Bytes file{head0, head1, 2};
  PutU32(file, static_cast<uint32_t>(mcu.size()));
  PutU32(file, static_cast<uint32_t>(dsp.size()));
  file.insert(file.end(), mcu.begin(), mcu.end());
  file.insert(file.end(), dsp.begin(), dsp.end());
  return file;
}

// A private folder, removed with everything in it.
struct TempDir {
  std::filesystem::path path;
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vlm-upgrade-XXXXXX").string();
    path = ::mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    const std::string file = (path / name).string();
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file;
  }
};

// Upgrade waits kept short: a missing acknowledgement costs 200 ms, the
// restart into the loader 20 ms. The table is written only when it differs:
// a test with two benches must not write it under the first link's thread.
inline void ShrinkUpgradeTiming() {
  Timing t{};
  t.readTimeoutMs = 200;
  t.upgradeAckTimeoutMs = 200;
  t.upgradeReadTimeoutMs = 200;
  t.upgradeReconnectWaitMs = 20;
  t.upgradeReconnectRetryMs = 10;
  t.queueIdleSleepMs = 1;
  t.readPollSliceMs = 20;
  if (!(timing() == t)) timing() = t;
}

// One frame as the transport trace shows it.
struct TracedFrame {
  char direction = 0;  // '>' written, '<' read
  uint8_t type = 0, cmd = 0, op = 0;
  Bytes payload;
};

struct UpgradeBench {
  std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
  char* traceText = nullptr;
  size_t traceSize = 0;
  std::FILE* trace = nullptr;
  std::unique_ptr<DeviceLink> link;
  TempDir dir;

  // `handshake`: PC_Connect and Hand_Connect first, as a session would; the
  // amplifier then restarts into its loader on the mode request.
  explicit UpgradeBench(bool handshake = false) {
    ShrinkUpgradeTiming();
    amp->SetRebootDowntime(std::chrono::milliseconds(5));
    trace = ::open_memstream(&traceText, &traceSize);
    link = std::make_unique<DeviceLink>(
        std::make_unique<TracingTransport>(std::make_unique<sim::SimTransport>(amp), trace));
    link->SetLinkSettings(78, 12, 10, false, false);
    EXPECT_EQ(link->OpenHIDDevice(), 0);
    if (handshake) {
      PC_Connect(*link, 1);
      EXPECT_TRUE(Hand_Connect(*link));
      EXPECT_TRUE(link->HandshakeAccepted());
    }
    ClearTrace();
  }
  ~UpgradeBench() {
    link.reset();
    std::fclose(trace);
    std::free(traceText);
  }

  size_t traceFrom = 0;
  void ClearTrace() {
    std::fflush(trace);
    traceFrom = traceSize;
  }

  std::vector<TracedFrame> Frames() {
    std::fflush(trace);
    std::vector<TracedFrame> frames;
    std::istringstream in(std::string(traceText + traceFrom, traceSize - traceFrom));
    std::string line;
    while (std::getline(in, line)) {
      if (line.size() < 2) continue;
      std::istringstream hex(line.substr(2));
      Bytes bytes;
      unsigned v;
      while (hex >> std::hex >> v) bytes.push_back(static_cast<uint8_t>(v));
      // Skip padding before the frame (a split reply's first report).
      size_t at = 0;
      while (at + 1 < bytes.size() && !(bytes[at] == 0xAA && bytes[at + 1] == 0x55)) ++at;
      if (at + 6 > bytes.size()) continue;
      TracedFrame f;
      f.direction = line[0];
      const size_t length = bytes[at + 2];
      f.type = bytes[at + 3];
      f.cmd = bytes[at + 4];
      f.op = bytes[at + 5];
      if (at + 3 + length <= bytes.size()) f.payload.assign(bytes.begin() + at + 6, bytes.begin() + at + 3 + length);
      frames.push_back(f);
    }
    return frames;
  }

  // Written frames of this type and command.
  std::vector<TracedFrame> Written(uint8_t type, uint8_t cmd) {
    std::vector<TracedFrame> out;
    for (auto& f : Frames()) {
      if (f.direction == '>' && f.type == type && f.cmd == cmd) out.push_back(f);
    }
    return out;
  }

  // Steps until the transfer ends; the values returned, the last being 101
  // or 255. Gives up after `maxSteps`.
  std::vector<int> Run(int maxSteps = 1000000) {
    std::vector<int> values;
    for (int i = 0; i < maxSteps; ++i) {
      const int v = UpgradeStep(*link);
      values.push_back(v);
      if (v > 100) break;
    }
    return values;
  }

  int Start(const std::string& name, const Bytes& file) { return UpgradeStart(*link, dir.Write(name, file)); }
};

inline bool WaitPlugged(sim::VirtualAmplifier& amp) {
  for (int i = 0; i < 400 && !amp.IsPlugged(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return amp.IsPlugged();
}

// Nothing left of an upgrade: connecting is allowed and nothing is loaded.
inline void ExpectNothingHeld(DeviceLink& link) {
  auto lock = link.LockExchanges();
  EXPECT_EQ(link.UpgradeState(), UPG_IDLE);
  EXPECT_FALSE(link.UpgradeHoldsLink());
  EXPECT_TRUE(link.Upgrade().mcuBody.empty());
  EXPECT_TRUE(link.Upgrade().dspBody.empty());
  EXPECT_EQ(link.Upgrade().mcuBody.capacity(), 0u);
  EXPECT_EQ(link.Upgrade().dspBody.capacity(), 0u);
}

}  // namespace vlm::test
