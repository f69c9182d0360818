#pragma once
// A USB bus emulated with umockdev, for testing the real hidapi transport and
// the real udev monitor: each plugged device is a USB device with its
// interface, its HID device and its hidraw node, as the kernel lays them out
// in sysfs, and the node's other end is a virtual amplifier.
//
// What is emulated and how:
// - sysfs and the udev view of it: umockdev's testbed (libudev reads it
//   through the preload library, which redirects /sys and /dev);
// - the hidraw node: a pseudo-terminal that only carries the readiness
//   (one byte stands for "a report is waiting", so that poll() behaves as on
//   hidraw), while every read(), write() and ioctl() on the node goes to
//   umockdev's handler below: one read returns exactly one report, one write
//   hands one output report to the amplifier;
// - the ioctls hidapi asks the node: HIDIOCGRDESCSIZE, HIDIOCGRDESC and
//   HIDIOCGRAWINFO are answered from the device description; any other is
//   ENOTTY and counted;
// - removal: the node hangs up (poll reports POLLHUP at once, as hidraw does
//   for a vanished device), reads fail with EIO, writes with ENODEV, then the
//   "remove" uevent is sent and the sysfs entries go;
// - uevents: umockdev's emulated netlink socket (libudev's monitor reads it).
// The node's major:minor are those of the pseudo-terminal behind it, since
// hidapi asks fstat() on the open descriptor for them (not intercepted).
//
// The process must run with libumockdev-preload.so loaded (the test suite's
// CTest entry does that); Ready() says whether it is.
//
// Threads: Plug and Unplug from the test's thread; the handlers run on
// umockdev's worker thread and each device's report pump on its own.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/virtual_amplifier.h"

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace vlm::testing {

struct UsbDeviceDescription {
  uint16_t vendorId = 0x0483;
  uint16_t productId = 0x5750;
  std::string manufacturer = "TONWERK";
  std::string product = "VLM24.60DSP";
  std::string serial = "VLM2460-000078";
};

// How the amplifier's 64-byte reports reach the reader: by default one read
// per report, as sent. A reshape may cut a report short or spread it over
// several reads (each entry one read).
using ReportShape = std::function<std::vector<std::vector<uint8_t>>(const std::vector<uint8_t>& report)>;

class EmulatedUsb {
 public:
  EmulatedUsb();
  ~EmulatedUsb();
  EmulatedUsb(const EmulatedUsb&) = delete;
  EmulatedUsb& operator=(const EmulatedUsb&) = delete;

  // False (with the reason) when the preload library is not loaded.
  bool Ready(std::string* why = nullptr) const;

  // Plugs a device in; its hidraw node talks to `amplifier` (opened on the
  // amplifier while plugged). Returns the device's number for the calls below.
  int Plug(std::shared_ptr<sim::VirtualAmplifier> amplifier, UsbDeviceDescription description = {},
           ReportShape shape = nullptr);
  // Pulls the device out (see the header comment); the amplifier is unplugged too.
  void Unplug(int device);

  std::string DevNode(int device) const;      // "/dev/hidrawN" as the program sees it
  std::string BackingNode(int device) const;  // the real pseudo-terminal behind it
  std::string RootDir() const;                // the testbed (its sys/ and dev/)
  // Output reports the device took, ioctls it did not know.
  uint64_t ReportsWritten(int device) const;
  // Reads the node answered with a report, and the shortest of them.
  struct ReadStats {
    uint64_t reads = 0;
    size_t shortest = 0;
  };
  ReadStats Reads(int device) const;
  std::vector<unsigned long> UnknownIoctls(int device) const;
  // Holds back (true) or releases the reports the amplifier sends on this
  // device, to keep a read waiting.
  void HoldReports(int device, bool hold);

  struct Node;

 private:
  Node& At(int device) const;

  UMockdevTestbed* testbed_ = nullptr;
  std::string root_;
  std::vector<std::unique_ptr<Node>> nodes_;
};

// The amplifier's report descriptor: vendor page, 64-byte input and output reports.
const std::vector<uint8_t>& AmplifierReportDescriptor();

}  // namespace vlm::testing
