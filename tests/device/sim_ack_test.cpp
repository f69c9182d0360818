// The tool's side of the amplifier's set acknowledgements: every set of the
// command set, sent at once or queued for the command thread, gets its reply
// without waiting out the read, and the reply decoders turn the short
// acknowledgements into nothing, except where an acknowledgement means
// something to a window (scene saved, scene deleted).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "base/log.h"
#include "catalogue_cases.h"
#include "device/commands.h"
#include "roundtrip_support.h"

namespace vlm {
namespace {

using Clock = std::chrono::steady_clock;
using test::CatalogueCase;
using test::PostedEvent;

// Long enough that a read that waits it out is told apart from one that
// found its reply, short enough that a failing run ends within the test's limit.
constexpr int kWaitMs = 1500;

class SimAck : public ::testing::Test {
 protected:
  void SetUp() override { Start(kWaitMs); }
  void TearDown() override {
    link_->SetEventSink(nullptr);
    link_.reset();
    timing() = Timing{};
  }

  // The link reads the table from its command thread: set it before the link exists.
  void Start(int waitMs) {
    if (link_) TearDown();
    Timing& t = timing();
    t = Timing{};
    t.readTimeoutMs = t.sceneReadTimeoutMs = t.shortReadTimeoutMs = t.quickReadTimeoutMs = waitMs;
    t.queueIdleSleepMs = 1;
    t.readPollSliceMs = 5;
    link_ = std::make_unique<DeviceLink>(std::make_unique<sim::SimTransport>(amp_));
    link_->SetLinkSettings(78, 12, 10, false, false);
    link_->SetEventSink(&sink_);
    for (Receiver r : {Receiver::MainWindow, Receiver::SceneWindow, Receiver::CalibrationWindow,
                       Receiver::ToolWindow, Receiver::MemoryData}) {
      link_->SetReceiver(r, true);
    }
    ASSERT_EQ(link_->OpenHIDDevice(), 0);
  }

  // The frame at the start of the report the link read last: type, command,
  // op, then the payload; empty when the report holds no good frame.
  std::vector<uint8_t> LastFrame() const {
    const auto r = link_->Frames().LastReport();
    if (r.size() < 7 || r[0] != 0xAA || r[1] != 0x55 || r[2] < 3 || r.size() < size_t{r[2]} + 4u) return {};
    unsigned sum = 0;
    for (size_t i = 2; i < size_t{r[2]} + 4u; ++i) sum += r[i];
    if ((sum & 0xFF) != 0) return {};
    return std::vector<uint8_t>(r.begin() + 3, r.begin() + 3 + r[2]);
  }

  std::shared_ptr<sim::VirtualAmplifier> amp_ = std::make_shared<sim::VirtualAmplifier>();
  test::RecordingSink sink_;
  std::unique_ptr<DeviceLink> link_;
};

std::vector<CatalogueCase> EverySet() {
  std::vector<CatalogueCase> sets;
  for (auto cases : {test::DspSetCases(), test::SceneMcuKtvCases()}) {
    for (auto& c : cases) {
      if (c.op == kOpSet) sets.push_back(std::move(c));
    }
  }
  return sets;
}

bool Is(const CatalogueCase& c, const char* name) { return std::string(c.name) == name; }

// What the amplifier answers and what the decoders make of it.
struct Expected {
  std::vector<uint8_t> frame;  // type, command, op, payload; empty: no read
  std::vector<PostedEvent> events;
};

Expected ExpectedFor(const CatalogueCase& c) {
  if (Is(c, "PC_Connect")) return {};
  if (Is(c, "Hand_Connect")) {
    return {{c.type, c.cmd, kOpData, 0x00, 78, 16, 19},
            {{Receiver::MainWindow, WM_MCU_EVENT, 0x08, 0, std::make_shared<HandshakeRecord>()}}};
  }
  if (Is(c, "CH_Type_Ctrl")) {
    std::vector<uint8_t> frame{c.type, c.cmd, kOpAck};
    frame.insert(frame.end(), c.payload.begin(), c.payload.end());
    return {frame, {}};  // logged only
  }
  const uint8_t scene = c.payload.empty() ? 0 : c.payload[0];
  if (Is(c, "SaveScene")) {
    return {{c.type, c.cmd, kOpAck, 10, scene}, {{Receiver::SceneWindow, WM_SCENE_EVENT, scene, 0, nullptr}}};
  }
  if (Is(c, "ReadScene")) return {{c.type, c.cmd, kOpAck, 10, scene}, {}};
  if (Is(c, "DeleteScene")) {
    return {{c.type, c.cmd, kOpAck, 10, scene}, {{Receiver::SceneWindow, WM_SCENE_DELETED, scene, 0, nullptr}}};
  }
  return {{c.type, c.cmd, kOpAck}, {}};
}

TEST_F(SimAck, EverySetSentAtOnceGetsItsReplyAndPostsOnlyWhatItShould) {
  const auto sets = EverySet();
  ASSERT_GE(sets.size(), 50u);
  for (const CatalogueCase& c : sets) {
    const Expected want = ExpectedFor(c);
    const uint64_t repliesBefore = amp_->counters().repliesSent;
    const auto start = Clock::now();
    EXPECT_TRUE(c.call(*link_)) << c.name;
    const auto took = Clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(kWaitMs)) << c.name << " waited out its read";
    if (want.frame.empty()) {
      EXPECT_EQ(amp_->counters().repliesSent, repliesBefore) << c.name << " was answered";
    } else {
      EXPECT_EQ(amp_->counters().repliesSent, repliesBefore + 1) << c.name;
      EXPECT_EQ(LastFrame(), want.frame) << c.name;
    }
    const auto events = sink_.Take();
    ASSERT_EQ(events.size(), want.events.size()) << c.name;
    for (size_t i = 0; i < events.size(); ++i) {
      EXPECT_EQ(events[i].receiver, want.events[i].receiver) << c.name;
      EXPECT_EQ(events[i].message, want.events[i].message) << c.name;
      EXPECT_EQ(events[i].wparam, want.events[i].wparam) << c.name;
      EXPECT_EQ(events[i].lparam, want.events[i].lparam) << c.name;
      EXPECT_EQ(events[i].record != nullptr, want.events[i].record != nullptr) << c.name;
    }
  }
  // The sets reached the amplifier: a few read back through the decoders.
  ASSERT_TRUE(Get_Main_Volume(*link_));
  auto events = sink_.Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].lparam, -12);
  EXPECT_EQ(amp_->Snapshot().acc, 5);
}

TEST_F(SimAck, QueuedSetsDrainWithoutWaitingOutTheirReads) {
  link_->SetQueueGate(true);
  std::vector<CatalogueCase> queued;
  for (auto& c : EverySet()) {
    // Mode Q operations: the DSP sets, the MCU values and the KTV effects.
    if (c.wait == test::kDefault && c.type != kPacketScene && !Is(c, "Hand_Connect") && !Is(c, "SetPWD")) {
      queued.push_back(std::move(c));
    }
  }
  ASSERT_GE(queued.size(), 40u);
  const uint64_t received = amp_->counters().reportsReceived;
  const auto start = Clock::now();
  for (const auto& c : queued) ASSERT_TRUE(link_->Issue(c.type, c.cmd, c.op, c.payload, false)) << c.name;
  // The immediate get takes the exchange lock only after the command thread
  // has read the reply of the last queued set.
  const auto deadline = start + std::chrono::milliseconds(kWaitMs);
  while (amp_->counters().reportsReceived < received + queued.size() && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(amp_->counters().reportsReceived, received + queued.size()) << "the queue did not drain in time";
  ASSERT_TRUE(Get_Main_Volume(*link_));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kWaitMs));
  // Of all that, only the get's answer reached a window.
  const auto events = sink_.Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].message, WM_DSP_EVENT);
  EXPECT_EQ(events[0].wparam, 0x02);
  EXPECT_EQ(events[0].lparam, -12);
}

TEST_F(SimAck, SilentAmplifierCostsTheWholeWait) {
  // What the acknowledgement saves: the same set to an amplifier that does
  // not answer plain sets returns only after the read gave up.
  Start(200);
  amp_->SetAcknowledgeSets(false);
  const auto start = Clock::now();
  EXPECT_FALSE(Main_Volume_Ctrl(*link_, -20.0f, true));
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_TRUE(sink_.Take().empty());
  EXPECT_EQ(amp_->Snapshot().scenes[0].mainVolume, static_cast<uint8_t>(-20));
}

TEST_F(SimAck, ChannelTypeAcknowledgementIsOnlyLogged) {
  const std::string path = std::string(VLM_BINARY_DIR) + "/sim_ack_test.log";
  SetLogEcho(false);
  ASSERT_TRUE(InitConsoleWindow(path));
  static const uint8_t types[] = {4, 5};
  EXPECT_TRUE(CH_Type_Ctrl(*link_, 0, 0, 2, 3, types, true));
  ShutdownLogging();
  std::ifstream in(path, std::ios::binary);
  std::stringstream log;
  log << in.rdbuf();
  std::remove(path.c_str());
  EXPECT_NE(log.str().find("DSP_CH_TYPE OP_ACK\n"), std::string::npos);
  EXPECT_TRUE(sink_.Take().empty());
}

}  // namespace
}  // namespace vlm
