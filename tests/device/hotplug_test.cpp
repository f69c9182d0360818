// Which devices count as the amplifier for the hot-plug monitor, and what
// the access probe says about its hidraw node.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "device/hotplug_monitor.h"
#include "sim/sim_hotplug.h"

namespace vlm {
namespace {

namespace fs = std::filesystem;

TEST(Hotplug, OnlyTheAmplifiersVendorAndProductCount) {
  EXPECT_TRUE(IsAmplifierHidId("0003:00000483:00005750"));
  EXPECT_TRUE(IsAmplifierHidId("0005:00000483:00005750"));  // any bus
  EXPECT_FALSE(IsAmplifierHidId("0003:00000483:00005740"));  // same vendor, other product
  EXPECT_FALSE(IsAmplifierHidId("0003:00001483:00005750"));
  EXPECT_FALSE(IsAmplifierHidId("0003:00000483"));
  EXPECT_FALSE(IsAmplifierHidId("0003:00000483:5750x"));
  EXPECT_FALSE(IsAmplifierHidId(""));
}

class AccessProbe : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("vlm_probe_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "dev");
  }
  void TearDown() override { fs::remove_all(root_); }
  void AddNode(const std::string& name, const std::string& hidId, fs::perms perms) {
    const fs::path dir = root_ / "sys" / "class" / "hidraw" / name / "device";
    fs::create_directories(dir);
    std::ofstream(dir / "uevent") << "DRIVER=hid-generic\nHID_ID=" << hidId << "\nHID_NAME=x\n";
    const fs::path node = root_ / "dev" / name;
    std::ofstream(node).put('\0');
    fs::permissions(node, perms);
  }
  AmplifierAccess Probe() { return ProbeAmplifierAccess((root_ / "sys").string(), (root_ / "dev").string()); }
  fs::path root_;
};

TEST_F(AccessProbe, TellsAbsentOpenableAndForbiddenNodesApart) {
  EXPECT_EQ(Probe(), AmplifierAccess::NotPresent);
  AddNode("hidraw0", "0003:0000046D:0000C52B", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Probe(), AmplifierAccess::NotPresent);  // another device
  AddNode("hidraw3", "0003:00000483:00005750", fs::perms::none);
  // root may open anything: the forbidden case needs an ordinary user.
  if (::geteuid() != 0) {
    EXPECT_EQ(Probe(), AmplifierAccess::NoPermission);
  }
  fs::permissions(root_ / "dev" / "hidraw3", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Probe(), AmplifierAccess::Accessible);
}

TEST(Hotplug, TheVirtualAmplifiersPlugEventsDriveTheMonitor) {
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  sim::SimHotplugMonitor monitor(amp);
  std::vector<bool> seen;
  ASSERT_TRUE(monitor.Start([&](bool arrived) { seen.push_back(arrived); }));
  amp->Unplug();
  amp->Plug();
  monitor.Stop();
  amp->Unplug();
  EXPECT_EQ(seen, (std::vector<bool>{false, true}));
}

}  // namespace
}  // namespace vlm

namespace vlm {
namespace {

TEST(Hotplug, TheUdevMonitorStopsPromptly) {
  // Where the system offers no netlink socket Start() says so; else the
  // monitor thread ends when asked.
  auto monitor = MakeUdevHotplugMonitor();
  ASSERT_NE(monitor, nullptr);
  if (monitor->Start([](bool) {})) monitor->Stop();
  monitor->Stop();  // twice is harmless
}

}  // namespace
}  // namespace vlm
