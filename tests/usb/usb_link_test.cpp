// The program's own USB code (hidapi's hidraw backend under HidapiTransport,
// and the link and session above it) against an emulated amplifier: finding
// and opening it, the whole read-back, edits, short and split reports, and a
// second device with the same IDs.
#include <hidapi/hidapi.h>

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

#include "device/commands_dsp_set.h"
#include "device/packet.h"
#include "model/conversions.h"
#include "usb/usb_support.h"

namespace vlm::testing {
namespace {

TEST_F(UsbPath, HidapiFindsTheAmplifierWithItsStringsAndTheLinkReadsEverythingBack) {
  auto amp = ScrambledAmplifier();
  const int dev = usb.Plug(amp);

  ASSERT_EQ(hid_init(), 0);
  hid_device_info* list = hid_enumerate(kAmplifierVendorId, kAmplifierProductId);
  ASSERT_NE(list, nullptr) << "hidapi found no 0483:5750 device";
  EXPECT_EQ(list->next, nullptr);
  EXPECT_EQ(std::string(list->path), usb.DevNode(dev));
  EXPECT_EQ(std::wstring(list->manufacturer_string), L"TONWERK");
  EXPECT_EQ(std::wstring(list->product_string), L"VLM24.60DSP");
  EXPECT_EQ(std::wstring(list->serial_number), L"VLM2460-000078");
  EXPECT_EQ(list->interface_number, 0);
  EXPECT_EQ(list->usage_page, 0xFF00);  // from the report descriptor in sysfs
  hid_free_enumeration(list);

  {
    // The strings as the link asks them: from the open handle. hidraw has no
    // indexed strings.
    HidapiTransport transport;
    ASSERT_TRUE(transport.Open(kAmplifierVendorId, kAmplifierProductId)) << transport.Error();
    wchar_t text[255];
    ASSERT_EQ(transport.GetManufacturerString(text, 255), 0) << transport.Error();
    EXPECT_EQ(std::wstring(text), L"TONWERK");
    ASSERT_EQ(transport.GetProductString(text, 255), 0);
    EXPECT_EQ(std::wstring(text), L"VLM24.60DSP");
    ASSERT_EQ(transport.GetSerialNumberString(text, 255), 0);
    EXPECT_EQ(std::wstring(text), L"VLM2460-000078");
    EXPECT_EQ(transport.GetIndexedString(1, text, 255), -1);
  }

  MakeSession();
  ASSERT_TRUE(session->OpenDevice().ok());
  ASSERT_TRUE(link->IsConnected());
  const uint64_t before = amp->counters().reportsReceived;
  SettingsStore store;
  const SessionResult r = session->ReadBack(store);
  ASSERT_TRUE(r.ok()) << r.Describe();
  EXPECT_EQ(r.missingReplies, 0);
  ExpectModelOfScrambled(store);
  // PC_Connect, Hand_Connect and the plan, each one 65-byte write on the node.
  EXPECT_EQ(amp->counters().reportsReceived - before, 111u);
  EXPECT_EQ(usb.ReportsWritten(dev), amp->counters().reportsReceived);
  EXPECT_TRUE(usb.UnknownIoctls(dev).empty());
}

TEST_F(UsbPath, QueuedAndImmediateEditsReachTheAmplifier) {
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  usb.Plug(amp);
  MakeSession();
  ASSERT_TRUE(session->OpenDevice().ok());
  link->SetQueueGate(true);
  // Queued: the command thread writes it.
  EXPECT_TRUE(Main_Volume_Ctrl(*link, 26, false));  // the attenuation for -20 dB
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (amp->Snapshot().scenes[0].mainVolume != 26 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(amp->Snapshot().scenes[0].mainVolume, 26);
  // Immediate: written and acknowledged within the exchange.
  EXPECT_TRUE(Mute_Ctrl(*link, 1, true));
  EXPECT_EQ(amp->Snapshot().scenes[0].mute, 1);
}

// The frame a report carries starts at byte 0 (AA 55, length = 3 + payload);
// these shapes hand it over in reads shorter than the 64-byte report.
std::vector<std::vector<uint8_t>> CutToFrame(const std::vector<uint8_t>& report) {
  if (report.size() >= 3 && report[0] == 0xAA && report[1] == 0x55) {
    const size_t frame = std::min<size_t>(report.size(), 4u + report[2]);
    return {std::vector<uint8_t>(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(frame))};
  }
  return {report};
}

std::vector<std::vector<uint8_t>> FrameInTwoShortReads(const std::vector<uint8_t>& report) {
  std::vector<uint8_t> frame = CutToFrame(report).front();
  if (frame.size() < 4) return {frame};
  const auto cut = frame.begin() + 3;  // sync and length, then the rest
  return {std::vector<uint8_t>(frame.begin(), cut), std::vector<uint8_t>(cut, frame.end())};
}

TEST_F(UsbPath, ShortReportsAndFramesSplitOverReadsAreReadBackWhole) {
  struct Case {
    const char* name;
    ReportShape shape;
    bool simSplit;
    uint64_t readsPerReply;
    bool shortReads;
  } cases[] = {
      {"each frame in a short report", CutToFrame, false, 1, true},
      {"each frame over two short reports", FrameInTwoShortReads, false, 2, true},
      {"the amplifier's own split, padded reports", nullptr, true, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto amp = ScrambledAmplifier();
    const int dev = usb.Plug(amp, {}, c.shape);
    MakeSession();
    ASSERT_TRUE(session->OpenDevice().ok());
    if (c.simSplit) amp->SplitNextReply(5);  // the handshake's answer
    SettingsStore store;
    const SessionResult r = session->ReadBack(store);
    ASSERT_TRUE(r.ok()) << r.Describe();
    EXPECT_EQ(r.missingReplies, 0);
    ExpectModelOfScrambled(store);
    const EmulatedUsb::ReadStats reads = usb.Reads(dev);
    if (c.shortReads) EXPECT_LT(reads.shortest, 64u);
    else EXPECT_EQ(reads.shortest, 64u);
    EXPECT_EQ(reads.reads, amp->counters().repliesSent * c.readsPerReply + (c.simSplit ? 1 : 0));
    session.reset();
    link.reset();
    usb.Unplug(dev);
  }
}

TEST_F(UsbPath, ASecondDeviceWithTheSameIdsIsNeverTalkedTo) {
  auto first = ScrambledAmplifier();
  auto second = ScrambledAmplifier();
  second->WithState([](sim::AmplifierState& s) { s.scenes[0].mainVolume = 40; });
  UsbDeviceDescription other;
  other.serial = "VLM2460-000099";
  const int a = usb.Plug(first);
  const int b = usb.Plug(second, other);

  MakeSession();
  ASSERT_TRUE(session->OpenDevice().ok());
  SettingsStore store;
  ASSERT_TRUE(session->ReadBack(store).ok());
  // One of them was opened (hidapi takes the first it enumerates); the other
  // saw nothing, and what was read back is the opened one's.
  const bool firstOpened = usb.ReportsWritten(a) > 0;
  const int opened = firstOpened ? a : b;
  const int untouched = firstOpened ? b : a;
  auto openedAmp = firstOpened ? first : second;
  EXPECT_EQ(usb.ReportsWritten(untouched), 0u);
  EXPECT_EQ(usb.ReportsWritten(opened), openedAmp->counters().reportsReceived);
  EXPECT_EQ(store.live().mainVolume, MainVolumeFromDb(firstOpened ? -20 : -34));  // attenuation 26 or 40

  // The other one going away changes nothing for the link.
  usb.Unplug(untouched);
  EXPECT_TRUE(link->IsConnected());
  EXPECT_TRUE(Mute_Ctrl(*link, 0, true));
  EXPECT_EQ(openedAmp->Snapshot().scenes[0].mute, 0);
  EXPECT_EQ(usb.ReportsWritten(untouched), 0u);
}

}  // namespace
}  // namespace vlm::testing

namespace vlm::testing {
namespace {

void IgnoreSignal(int) {}

TEST_F(UsbPath, ASignalDuringAReadIsNoUnplug) {
  // A signal handled by the program (Qt's, a quit signal) may land on the
  // thread that waits in poll(): hidapi then returns -1 (EINTR) at once.
  struct sigaction quiet {};
  quiet.sa_handler = &IgnoreSignal;
  struct sigaction before {};
  ASSERT_EQ(sigaction(SIGUSR1, &quiet, &before), 0);
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  const int dev = usb.Plug(amp);
  MakeSession();
  ASSERT_TRUE(session->OpenDevice().ok());

  usb.HoldReports(dev, true);
  std::atomic<bool> answered{false};
  std::thread reader([&] { answered = link->Exchange(kPacketDsp, 0x02, kOpGet, {}, 3000); });
  for (int i = 0; i < 10; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(7));
    pthread_kill(reader.native_handle(), SIGUSR1);
  }
  usb.HoldReports(dev, false);
  reader.join();
  sigaction(SIGUSR1, &before, nullptr);
  EXPECT_TRUE(answered) << "the read took the interrupted wait for a vanished device";
  EXPECT_TRUE(Mute_Ctrl(*link, 1, true));  // and the next exchange goes through as well
}

}  // namespace
}  // namespace vlm::testing
