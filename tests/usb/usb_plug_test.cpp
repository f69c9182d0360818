// Plugging the emulated amplifier in and out under the real udev monitor and
// the real transport: what the monitor reports, a removal in the middle of a
// read, the read-back after it comes back, and a node this user may not open.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "device/messages.h"
#include "device/packet.h"
#include "session/session_events.h"
#include "usb/usb_support.h"

namespace vlm::testing {
namespace {

using std::chrono::milliseconds;

TEST_F(UsbPath, TheMonitorReportsOnlyTheAmplifierComingAndGoing) {
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  const int present = usb.Plug(amp);  // there before the monitor starts
  auto monitor = MakeUdevHotplugMonitor();
  ASSERT_NE(monitor, nullptr);
  PlugLog log;
  ASSERT_TRUE(monitor->Start(log.Handler()));

  UsbDeviceDescription otherProduct;  // same vendor, another product
  otherProduct.productId = 0x5740;
  const int other = usb.Plug(nullptr, otherProduct);
  usb.Unplug(present);
  EXPECT_EQ(log.Next(), std::optional<bool>(false));  // the other device's arrival was not reported
  const int again = usb.Plug(amp);
  EXPECT_EQ(log.Next(), std::optional<bool>(true));
  usb.Unplug(other);
  usb.Unplug(again);
  EXPECT_EQ(log.Next(), std::optional<bool>(false));
  EXPECT_EQ(log.Next(milliseconds(200)), std::nullopt);
  monitor->Stop();
}

TEST_F(UsbPath, RemovalDuringAReadEndsItAtOnceAndTheComebackIsReadBack) {
  auto amp = ScrambledAmplifier();
  const int dev = usb.Plug(amp);
  auto monitor = MakeUdevHotplugMonitor();
  PlugLog log;
  ASSERT_TRUE(monitor->Start(log.Handler()));
  MakeSession();
  ASSERT_TRUE(session->OpenDevice().ok());

  // A get whose answer is held back: the read waits on the node.
  usb.HoldReports(dev, true);
  std::chrono::steady_clock::time_point pulled;
  bool answered = true;
  std::thread reader([&] { answered = link->Exchange(kPacketDsp, 0x02, kOpGet, {}, 10000); });
  std::this_thread::sleep_for(milliseconds(100));
  pulled = std::chrono::steady_clock::now();
  usb.Unplug(dev);
  reader.join();
  const auto noticed = std::chrono::steady_clock::now() - pulled;
  EXPECT_FALSE(answered);
  EXPECT_LT(noticed, milliseconds(1000)) << "the read waited for its time-out instead of noticing the removal";

  // The monitor's removal is what the window acts on: the session
  // disconnects and says the user is to be told.
  ASSERT_EQ(log.Next(), std::optional<bool>(false));
  EXPECT_TRUE(session->DevicePlugOut());
  EXPECT_FALSE(link->IsConnected());

  usb.Plug(amp);
  ASSERT_EQ(log.Next(), std::optional<bool>(true));
  SettingsStore gui;
  ASSERT_EQ(session->DevicePlugin(gui), DeviceSession::ConnectStep::ReadBackStarted);
  ASSERT_TRUE(sink.WaitFor(WM_CONNECTED));
  session->WaitForWorker();
  auto record = sink.RecordOf<ReadBackRecord>(WM_CONNECTED);
  ASSERT_TRUE(record && record->store);
  ExpectModelOfScrambled(*record->store);
  monitor->Stop();
}

// Every language's text for the "no permission" box, from the language files.
std::vector<std::string> NoPermissionTexts() {
  std::vector<std::string> texts;
  for (const char* lan : {"en", "cn", "ru"}) {
    std::ifstream file(std::string(VLM_SOURCE_DIR) + "/skin/lan/lan_" + lan + ".xml");
    std::string line;
    while (std::getline(file, line)) {
      if (line.find("key=\"device_no_permission\"") != std::string::npos) texts.push_back(line);
    }
  }
  return texts;
}

// What the unprivileged child found; 0 is the expected outcome.
enum ChildResult {
  kAsExpected = 0,
  kStillPrivileged = 10,
  kOpened,
  kNotFound,
  kProbeSaysAccessible,
  kProbeSaysAbsent,
  kOtherError,
};

TEST_F(UsbPath, AnOrdinaryUserCannotOpenTheNodeAndIsToldToInstallTheUdevRule) {
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  const int dev = usb.Plug(amp);
  // The node as the kernel makes it without the rule: root's, no access for others
  // (none at all, so that the test also bites when run by an ordinary user).
  ASSERT_EQ(::chmod(usb.BackingNode(dev).c_str(), 0), 0);
  // The testbed itself must stay readable (sysfs is) and its sockets
  // reachable (umockdev's preload connects to them on every open).
  namespace fs = std::filesystem;
  fs::permissions(usb.RootDir(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(usb.RootDir()) / "ioctl")) {
    if (entry.is_socket()) fs::permissions(entry.path(), fs::perms::all);
  }

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0) {
      const gid_t nogroup = 65534;
      if (::setgroups(1, &nogroup) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(kStillPrivileged);
    }
    if (::geteuid() == 0) ::_exit(kStillPrivileged);
    // The transport the link opens with (no thread may start in a child
    // forked from a threaded process under ThreadSanitizer).
    HidapiTransport transport;
    if (transport.Init() != 0 || transport.Open(kAmplifierVendorId, kAmplifierProductId)) ::_exit(kOpened);
    if (transport.Error().find("Permission denied") == std::string::npos) ::_exit(kOtherError);
    hid_device_info* list = hid_enumerate(kAmplifierVendorId, kAmplifierProductId);
    const bool found = list != nullptr;
    hid_free_enumeration(list);
    if (!found) ::_exit(kNotFound);
    switch (ProbeAmplifierAccess()) {
      case AmplifierAccess::NoPermission: ::_exit(kAsExpected);
      case AmplifierAccess::Accessible: ::_exit(kProbeSaysAccessible);
      case AmplifierAccess::NotPresent: ::_exit(kProbeSaysAbsent);
    }
    ::_exit(kProbeSaysAbsent);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended with signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), kAsExpected)
      << "10: could not drop privileges, 11: opened the node, 12: hidapi did not list the device, "
         "13: the probe says accessible, 14: the probe says absent, 15: the open failed for another reason";

  // What the user is then shown names the rule the program installs.
  std::vector<std::string> rules;
  for (const auto& entry : fs::directory_iterator(fs::path(VLM_SOURCE_DIR) / "data")) {
    if (entry.path().extension() == ".rules") rules.push_back(entry.path().filename().string());
  }
  ASSERT_EQ(rules.size(), 1u);
  const std::vector<std::string> texts = NoPermissionTexts();
  ASSERT_EQ(texts.size(), 3u);
  for (const std::string& text : texts) EXPECT_NE(text.find(rules.front()), std::string::npos) << text;
}

}  // namespace
}  // namespace vlm::testing
