// The virtual amplifier as a USB device: enumeration, strings, writes and
// reads, unplug and replug, handles sharing one amplifier.
#include <atomic>
#include <chrono>
#include <thread>

#include "sim_test_support.h"

namespace vlm::sim::testing {
namespace {

using namespace std::chrono_literals;

TEST(SimTransport, OpensOnlyThePluggedAmplifierWithItsIds) {
  auto amp = std::make_shared<VirtualAmplifier>();
  SimTransport t(amp);
  EXPECT_EQ(t.Init(), 0);
  EXPECT_FALSE(t.Open(0x0483, 0x5751));
  EXPECT_FALSE(t.Open(0x0484, 0x5750));
  EXPECT_FALSE(t.IsOpen());
  amp->Unplug();
  EXPECT_FALSE(t.Open(0x0483, 0x5750));
  EXPECT_FALSE(t.Error().empty());
  amp->Plug();
  ASSERT_TRUE(t.Open(0x0483, 0x5750));
  EXPECT_TRUE(t.IsOpen());
  EXPECT_EQ(t.SetNonblocking(1), 0);
  t.Close();
  EXPECT_FALSE(t.IsOpen());
  uint8_t report[65] = {0};
  EXPECT_EQ(t.Write(report, sizeof report), -1);
}

TEST(SimTransport, StringReadsFailAsConfigured) {
  Bench b;
  wchar_t text[255];
  auto failures = [&] {
    int failed = 0;
    failed += b.link.GetManufacturerString(text, 255) < 0;
    failed += b.link.GetProductString(text, 255) < 0;
    failed += b.link.GetSerialNumberString(text, 255) < 0;
    failed += b.link.GetIndexedString(1, text, 255) < 0;
    return failed;
  };
  for (unsigned mask : {0x0u, 0x1u, 0x3u, 0x7u, 0xFu, 0xAu}) {
    b.amp->FailStringReads(mask);
    EXPECT_EQ(failures(), std::popcount(mask)) << "mask " << mask;
  }
  b.amp->FailStringReads(0);
  ASSERT_EQ(b.link.GetProductString(text, 255), 0);
  EXPECT_EQ(std::wstring(text), L"VLM24.60DSP");
  // A short buffer gets a cut, terminated string.
  wchar_t small[4];
  ASSERT_EQ(b.link.GetProductString(small, 4), 0);
  EXPECT_EQ(std::wstring(small), L"VLM");
  EXPECT_EQ(b.link.GetIndexedString(2, text, 255), -1);
}

TEST(SimTransport, UnplugFailsReadsAtOnceAndNeedsReopen) {
  Bench b;
  std::atomic<int> result{1};
  std::thread reader([&] {
    uint8_t buf[64];
    result = b.link.ReadTimeout(buf, sizeof buf, 10000);
  });
  std::this_thread::sleep_for(20ms);
  const auto start = std::chrono::steady_clock::now();
  b.amp->Unplug();
  reader.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_EQ(result, -1);
  EXPECT_TRUE(b.link.DeviceGone());

  uint8_t buf[64];
  const auto again = std::chrono::steady_clock::now();
  EXPECT_EQ(b.link.ReadTimeout(buf, sizeof buf, 5000), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - again, 1s);
  const Bytes report = OutputReport(3, 0x08, 0xBB);
  EXPECT_EQ(b.link.Write(report.data(), report.size()), -1);

  // Plugged back in, the old handle stays dead; a new open works.
  b.amp->Plug();
  EXPECT_EQ(b.link.Write(report.data(), report.size()), -1);
  ASSERT_TRUE(b.link.Open(0x0483, 0x5750));
  EXPECT_FALSE(b.link.DeviceGone());
  b.Send(3, 0x08, 0xBB);
  EXPECT_TRUE(b.Read().has_value());
}

TEST(SimTransport, ReadTimesOutWithZeroWhenNothingComes) {
  Bench b;
  uint8_t buf[64];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(b.link.ReadTimeout(buf, sizeof buf, 30), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 25ms);
  EXPECT_FALSE(b.link.DeviceGone());
}

TEST(SimTransport, AnswersGoToTheHandleThatAsked) {
  Bench b;
  SimTransport second(b.amp);
  ASSERT_TRUE(second.Open(0x0483, 0x5750));
  const Bytes report = OutputReport(3, 0x92, 0x66);
  ASSERT_EQ(second.Write(report.data(), report.size()), 65);
  EXPECT_FALSE(b.ReadReport().has_value());
  uint8_t buf[64];
  EXPECT_EQ(second.ReadTimeout(buf, sizeof buf, 0), 64);
  // Closing one handle leaves the other working.
  second.Close();
  b.Send(3, 0x92, 0x66);
  EXPECT_TRUE(b.Read().has_value());
}

TEST(SimTransport, PlugListenersHearRemovalAndArrival) {
  auto amp = std::make_shared<VirtualAmplifier>();
  std::vector<bool> events;
  std::mutex m;
  const int id = amp->AddPlugListener([&](bool plugged) {
    std::lock_guard<std::mutex> lock(m);
    events.push_back(plugged);
  });
  amp->Unplug();
  amp->Unplug();  // no second event
  amp->Plug();
  amp->Reboot(5ms);
  for (int i = 0; i < 200 && !amp->IsPlugged(); ++i) std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(amp->IsPlugged());
  amp->RemovePlugListener(id);
  amp->Unplug();
  std::lock_guard<std::mutex> lock(m);
  EXPECT_EQ(events, (std::vector<bool>{false, true, false, true}));
}

TEST(SimTransport, UnplugDuringARebootKeepsTheAmplifierAway) {
  auto amp = std::make_shared<VirtualAmplifier>();
  amp->Reboot(30ms);
  amp->Unplug();
  std::this_thread::sleep_for(80ms);
  EXPECT_FALSE(amp->IsPlugged());
  // Reboots asked for from two threads at once leave one amplifier that comes back.
  std::thread a([&] { amp->Reboot(5ms); });
  std::thread b([&] { amp->Reboot(5ms); });
  a.join();
  b.join();
  for (int i = 0; i < 200 && !amp->IsPlugged(); ++i) std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(amp->IsPlugged());
}

TEST(SimTransport, LatencyDelaysEachReport) {
  Bench b;
  b.amp->SetReportLatency(std::chrono::milliseconds(20));
  const auto start = std::chrono::steady_clock::now();
  b.Send(3, 0x08, 0xBB);
  uint8_t buf[64];
  // Not readable before its time, readable after.
  EXPECT_EQ(b.link.ReadTimeout(buf, sizeof buf, 0), 0);
  EXPECT_EQ(b.link.ReadTimeout(buf, sizeof buf, 1000), 64);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 40ms);
}


// The factory reset restarts the amplifier right after its answer: the old
// handle still gives that answer, but writes on it fail also once the
// amplifier is back; only a handle opened afresh talks to it.
TEST(SimTransport, AHandleFromBeforeARestartStaysDeadAfterTheComeback) {
  Bench b;
  b.amp->SetRebootDowntime(5ms);
  b.Send(3, 0x90, 0xBB);
  for (int i = 0; i < 200 && b.amp->IsPlugged(); ++i) std::this_thread::sleep_for(1ms);
  for (int i = 0; i < 200 && !b.amp->IsPlugged(); ++i) std::this_thread::sleep_for(5ms);
  ASSERT_TRUE(b.amp->IsPlugged());
  const uint64_t before = b.amp->counters().reportsReceived;
  const Bytes report = OutputReport(3, 0x92, 0x66);
  EXPECT_EQ(b.link.Write(report.data(), report.size()), -1);
  EXPECT_EQ(b.amp->counters().reportsReceived, before);
  SimTransport fresh(b.amp);
  ASSERT_TRUE(fresh.Open(0x0483, 0x5750));
  EXPECT_EQ(fresh.Write(report.data(), report.size()), 65);
}

// An armed fault strikes the answer to the report after the next n.
TEST(SimTransport, AnArmedFaultHitsTheAnswerAfterTheCountedReports) {
  Bench b;
  int runs = 0;
  b.amp->ArmFaultAfterReports(2, [&](VirtualAmplifier& a) {
    ++runs;
    a.DropNextReplies(1);
  });
  for (int i = 0; i < 2; ++i) {
    b.Send(3, 0x92, 0x66);
    EXPECT_TRUE(b.Read().has_value()) << i;
  }
  b.Send(3, 0x92, 0x66);
  EXPECT_FALSE(b.ReadReport().has_value());
  b.Send(3, 0x92, 0x66);
  EXPECT_TRUE(b.Read().has_value());
  EXPECT_EQ(runs, 1);
  // A fault cleared before it struck never runs.
  b.amp->ArmFaultAfterReports(0, [&](VirtualAmplifier&) { ++runs; });
  b.amp->ClearFaults();
  b.Send(3, 0x92, 0x66);
  EXPECT_TRUE(b.Read().has_value());
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace vlm::sim::testing
