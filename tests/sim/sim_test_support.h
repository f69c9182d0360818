#pragma once
// Test helpers that speak to the virtual amplifier with bytes built here, by
// hand, so that the amplifier's own frame code is checked rather than reused.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace vlm::sim::testing {

using Bytes = std::vector<uint8_t>;

// The 65-byte output report of one frame: report ID 0, AA 55, length, type,
// command, op, payload, checksum, zeros.
inline Bytes OutputReport(uint8_t type, uint8_t cmd, uint8_t op, const Bytes& payload = {}) {
  Bytes report(65, 0);
  report[1] = 0xAA;
  report[2] = 0x55;
  report[3] = static_cast<uint8_t>(3 + payload.size());
  report[4] = type;
  report[5] = cmd;
  report[6] = op;
  unsigned sum = report[3] + type + cmd + op;
  for (size_t i = 0; i < payload.size(); ++i) {
    report[7 + i] = payload[i];
    sum += payload[i];
  }
  report[7 + payload.size()] = static_cast<uint8_t>(-static_cast<int>(sum & 0xFF));
  return report;
}

// A decoded answer, as the test reads it.
struct Answer {
  uint8_t type = 0, cmd = 0, op = 0;
  Bytes payload;
};

// Finds the frame in `stream` (zeros before it skipped) and checks it.
inline std::optional<Answer> ParseAnswer(const Bytes& stream) {
  size_t i = 0;
  while (i < stream.size() && stream[i] == 0) ++i;
  if (i + 7 > stream.size() || stream[i] != 0xAA || stream[i + 1] != 0x55) return std::nullopt;
  const size_t length = stream[i + 2];
  if (length < 3 || i + length + 4 > stream.size()) return std::nullopt;
  unsigned sum = 0;
  for (size_t k = i + 2; k < i + 3 + length; ++k) sum += stream[k];
  if (static_cast<uint8_t>(sum + stream[i + 3 + length]) != 0) return std::nullopt;
  Answer a;
  a.type = stream[i + 3];
  a.cmd = stream[i + 4];
  a.op = stream[i + 5];
  a.payload.assign(stream.begin() + static_cast<std::ptrdiff_t>(i + 6),
                   stream.begin() + static_cast<std::ptrdiff_t>(i + 3 + length));
  return a;
}

// An amplifier with one open transport, latency 0.
struct Bench {
  std::shared_ptr<VirtualAmplifier> amp = std::make_shared<VirtualAmplifier>();
  SimTransport link{amp};

  Bench() { EXPECT_TRUE(link.Open(0x0483, 0x5750)); }

  void Send(uint8_t type, uint8_t cmd, uint8_t op, const Bytes& payload = {}) {
    const Bytes report = OutputReport(type, cmd, op, payload);
    ASSERT_EQ(link.Write(report.data(), report.size()), 65);
  }
  // One report, or nullopt after `timeoutMs`.
  std::optional<Bytes> ReadReport(int timeoutMs = 0) {
    Bytes buf(64, 0);
    const int n = link.ReadTimeout(buf.data(), buf.size(), timeoutMs);
    if (n <= 0) return std::nullopt;
    buf.resize(static_cast<size_t>(n));
    return buf;
  }
  std::optional<Answer> Read(int timeoutMs = 0) {
    auto report = ReadReport(timeoutMs);
    if (!report) return std::nullopt;
    return ParseAnswer(*report);
  }
  // Sends and expects exactly one good answer.
  Answer Ask(uint8_t type, uint8_t cmd, uint8_t op, const Bytes& payload = {}) {
    Send(type, cmd, op, payload);
    auto answer = Read();
    EXPECT_TRUE(answer.has_value()) << "no answer to type " << int(type) << " cmd " << int(cmd);
    EXPECT_FALSE(ReadReport().has_value()) << "more than one report";
    return answer.value_or(Answer{});
  }
  // Sends a plain set and expects its short acknowledgement alone: same type
  // and command, op 0xEE, no payload.
  void Tell(uint8_t type, uint8_t cmd, const Bytes& payload) {
    const Answer a = Ask(type, cmd, 0xBB, payload);
    EXPECT_EQ(a.type, type);
    EXPECT_EQ(a.cmd, cmd);
    EXPECT_EQ(a.op, 0xEE) << "cmd " << int(cmd);
    EXPECT_TRUE(a.payload.empty()) << "cmd " << int(cmd);
  }
  // Sends a set and expects no answer at all.
  void TellUnanswered(uint8_t type, uint8_t cmd, const Bytes& payload) {
    Send(type, cmd, 0xBB, payload);
    EXPECT_FALSE(ReadReport().has_value()) << "unexpected answer to cmd " << int(cmd);
  }
  Bytes Get(uint8_t type, uint8_t cmd, const Bytes& payload = {}) {
    Answer a = Ask(type, cmd, 0x66, payload);
    EXPECT_EQ(a.type, type);
    EXPECT_EQ(a.cmd, cmd);
    EXPECT_EQ(a.op, 0xDD);
    return a.payload;
  }
};

}  // namespace vlm::sim::testing
