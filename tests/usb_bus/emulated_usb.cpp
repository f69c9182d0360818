#include "usb_bus/emulated_usb.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
// after sys/ioctl.h, which gives it _IOR
#include <linux/hidraw.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <umockdev.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace vlm::testing {

const std::vector<uint8_t>& AmplifierReportDescriptor() {
  static const std::vector<uint8_t> descriptor = {
      0x06, 0x00, 0xFF,  // usage page: vendor defined
      0x09, 0x01,        // usage 1
      0xA1, 0x01,        // collection: application
      0x09, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x81, 0x02,  // 64 bytes in
      0x09, 0x03, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x91, 0x02,  // 64 bytes out
      0xC0,              // end collection
  };
  return descriptor;
}

struct EmulatedUsb::Node {
  int index = 0;
  std::string devnode;      // /dev/hidrawN
  std::string backing;      // /dev/pts/K
  dev_t rdev = 0;
  std::string placeholderSys, usbSys, interfaceSys, hidSys, hidrawSys;
  UsbDeviceDescription description;
  ReportShape shape;
  std::shared_ptr<sim::VirtualAmplifier> amp;
  std::shared_ptr<sim::ReportPipe> pipe;
  UMockdevIoctlBase* handler = nullptr;
  int master = -1;  // the pseudo-terminal's master end (umockdev's descriptor)

  mutable std::mutex mutex;
  std::deque<std::vector<uint8_t>> queue;  // reports waiting for a read
  std::deque<std::vector<uint8_t>> held;   // reports held back (HoldReports)
  bool hold = false;
  bool tokenOut = false;  // one readiness byte is in the terminal, not yet consumed
  bool gone = false;
  uint64_t written = 0;
  EmulatedUsb::ReadStats reads;
  std::vector<unsigned long> unknownIoctls;

  std::atomic<bool> stopPump{false};
  std::thread pump;

  // Under `mutex`: one readiness byte while reports wait and none is out.
  void SignalLocked() {
    if (tokenOut || queue.empty() || gone) return;
    const char token = 'r';
    if (::write(master, &token, 1) == 1) tokenOut = true;
  }

  void Deliver(const std::vector<uint8_t>& report) {
    std::lock_guard<std::mutex> lock(mutex);
    if (gone) return;
    std::vector<std::vector<uint8_t>> parts;
    if (shape) parts = shape(report);
    else parts.push_back(report);
    for (auto& part : parts) (hold ? held : queue).push_back(std::move(part));
    SignalLocked();
  }

  void Pump() {
    uint8_t buffer[64];
    while (!stopPump.load()) {
      const int n = pipe->Pop(buffer, sizeof buffer, 20);
      if (n < 0) break;
      if (n > 0) Deliver(std::vector<uint8_t>(buffer, buffer + n));
    }
  }

  void StopPump() {
    stopPump.store(true);
    if (pump.joinable()) pump.join();
  }
};

namespace {

using Node = EmulatedUsb::Node;

void Complete(UMockdevIoctlClient* client, long result, int error) {
  umockdev_ioctl_client_complete(client, result, error);
}

// Resolves the ioctl argument as a pointer to `size` bytes (null on a bad pointer).
UMockdevIoctlData* ResolveArg(UMockdevIoctlClient* client, size_t size) {
  GError* error = nullptr;
  UMockdevIoctlData* data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, &error);
  if (error) g_error_free(error);
  return data;
}

gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user) {
  Node& node = *static_cast<Node*>(user);
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  {
    std::lock_guard<std::mutex> lock(node.mutex);
    if (node.gone) {
      Complete(client, -1, ENODEV);
      return TRUE;
    }
  }
  const std::vector<uint8_t>& descriptor = AmplifierReportDescriptor();
  if (request == HIDIOCGRDESCSIZE) {
    UMockdevIoctlData* data = ResolveArg(client, sizeof(int));
    if (!data) return Complete(client, -1, EFAULT), TRUE;
    const int size = static_cast<int>(descriptor.size());
    std::memcpy(data->data, &size, sizeof size);
    g_object_unref(data);
    Complete(client, 0, 0);
  } else if (request == HIDIOCGRDESC) {
    UMockdevIoctlData* data = ResolveArg(client, sizeof(hidraw_report_descriptor));
    if (!data) return Complete(client, -1, EFAULT), TRUE;
    auto* desc = reinterpret_cast<hidraw_report_descriptor*>(data->data);
    if (desc->size > HID_MAX_DESCRIPTOR_SIZE) {
      g_object_unref(data);
      return Complete(client, -1, EINVAL), TRUE;
    }
    const size_t n = std::min<size_t>(desc->size, descriptor.size());
    std::memcpy(desc->value, descriptor.data(), n);
    g_object_unref(data);
    Complete(client, 0, 0);
  } else if (request == HIDIOCGRAWINFO) {
    UMockdevIoctlData* data = ResolveArg(client, sizeof(hidraw_devinfo));
    if (!data) return Complete(client, -1, EFAULT), TRUE;
    hidraw_devinfo info{};
    info.bustype = 3;  // BUS_USB
    info.vendor = static_cast<__s16>(node.description.vendorId);
    info.product = static_cast<__s16>(node.description.productId);
    std::memcpy(data->data, &info, sizeof info);
    g_object_unref(data);
    Complete(client, 0, 0);
  } else {
    {
      std::lock_guard<std::mutex> lock(node.mutex);
      node.unknownIoctls.push_back(request);
    }
    Complete(client, -1, ENOTTY);
  }
  return TRUE;
}

gboolean OnRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user) {
  Node& node = *static_cast<Node*>(user);
  std::lock_guard<std::mutex> lock(node.mutex);
  if (node.gone) return Complete(client, -1, EIO), TRUE;
  if (!node.tokenOut) return Complete(client, -1, EAGAIN), TRUE;  // hidraw without a report (non-blocking)
  // The reader saw the readiness byte (poll); let its read take it, then
  // hand it the report instead.
  int error = 0;
  GError* gerror = nullptr;
  umockdev_ioctl_client_execute(client, &error, &gerror);
  if (gerror) g_error_free(gerror);
  node.tokenOut = false;
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  if (node.queue.empty()) {
    Complete(client, -1, EAGAIN);
  } else {
    const std::vector<uint8_t> report = std::move(node.queue.front());
    node.queue.pop_front();
    const size_t n = std::min<size_t>(report.size(), static_cast<size_t>(arg->data_len));
    std::memcpy(arg->data, report.data(), n);
    node.reads.shortest = node.reads.reads == 0 ? n : std::min(node.reads.shortest, n);
    ++node.reads.reads;
    Complete(client, static_cast<long>(n), 0);
  }
  node.SignalLocked();
  return TRUE;
}

gboolean OnWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user) {
  Node& node = *static_cast<Node*>(user);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const std::vector<uint8_t> report(arg->data, arg->data + arg->data_len);
  std::shared_ptr<sim::ReportPipe> pipe;
  {
    std::lock_guard<std::mutex> lock(node.mutex);
    if (node.gone) return Complete(client, -1, ENODEV), TRUE;
    ++node.written;
    pipe = node.pipe;
  }
  if (node.amp && pipe && !node.amp->Receive(pipe, report.data(), report.size())) {
    return Complete(client, -1, ENODEV), TRUE;
  }
  Complete(client, static_cast<long>(report.size()), 0);
  return TRUE;
}

// A new open file of the node: hidraw gives it only reports that arrive from now on.
void OnConnected(UMockdevIoctlBase*, UMockdevIoctlClient*, gpointer user) {
  Node& node = *static_cast<Node*>(user);
  std::lock_guard<std::mutex> lock(node.mutex);
  node.queue.clear();
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char b[3];
  for (uint8_t v : bytes) {
    std::snprintf(b, sizeof b, "%02X", v);
    out += b;
  }
  return out;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

void AddFromString(UMockdevTestbed* testbed, const std::string& text) {
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed, text.c_str(), &error)) {
    const std::string why = error ? error->message : "unknown";
    if (error) g_error_free(error);
    throw std::runtime_error("umockdev cannot add the device: " + why);
  }
}

}  // namespace

EmulatedUsb::EmulatedUsb() {
  testbed_ = umockdev_testbed_new();
  gchar* root = umockdev_testbed_get_root_dir(testbed_);
  root_ = root;
  g_free(root);
}

EmulatedUsb::~EmulatedUsb() {
  for (auto& node : nodes_) {
    node->StopPump();
    if (node->amp && node->pipe) node->amp->Close(node->pipe);
  }
  g_object_unref(testbed_);  // closes the terminals, removes the testbed
  for (auto& node : nodes_) g_object_unref(node->handler);
}

bool EmulatedUsb::Ready(std::string* why) const {
  const char* preload = std::getenv("LD_PRELOAD");
  if (!preload || !std::strstr(preload, "umockdev-preload")) {
    if (why) *why = "libumockdev-preload.so is not in LD_PRELOAD (run the suite through ctest)";
    return false;
  }
  if (!umockdev_in_mock_environment()) {
    if (why) *why = "umockdev's preload library does not redirect /sys";
    return false;
  }
  return true;
}

EmulatedUsb::Node& EmulatedUsb::At(int device) const {
  return *nodes_.at(static_cast<size_t>(device));
}

int EmulatedUsb::Plug(std::shared_ptr<sim::VirtualAmplifier> amplifier, UsbDeviceDescription d, ReportShape shape) {
  auto node = std::make_unique<Node>();
  Node& n = *node;
  n.index = static_cast<int>(nodes_.size());
  n.description = d;
  n.shape = std::move(shape);
  n.amp = std::move(amplifier);
  const std::string name = "hidraw" + std::to_string(n.index);
  n.devnode = "/dev/" + name;

  // 1. The node itself: a pseudo-terminal under a device no monitor or
  //    enumeration looks at, so that its numbers are known before the
  //    hidraw device is announced.
  n.placeholderSys = "/sys/devices/virtual/vlm_node/" + name;
  AddFromString(testbed_, "P: /devices/virtual/vlm_node/" + name + "\nN: " + name + "\nE: SUBSYSTEM=vlm_node\n");
  n.master = umockdev_testbed_get_dev_fd(testbed_, n.devnode.c_str());
  char target[256] = {};
  const ssize_t len = ::readlink((root_ + n.devnode).c_str(), target, sizeof target - 1);
  if (n.master < 0 || len <= 0) throw std::runtime_error("umockdev made no terminal for " + n.devnode);
  n.backing.assign(target, static_cast<size_t>(len));
  struct stat st {};
  if (::stat(n.backing.c_str(), &st) != 0) throw std::runtime_error("cannot stat " + n.backing);
  n.rdev = st.st_rdev;

  // 2. Its reads, writes and ioctls.
  n.handler = umockdev_ioctl_base_new();
  g_signal_connect(n.handler, "handle-ioctl", G_CALLBACK(&OnIoctl), &n);
  g_signal_connect(n.handler, "handle-read", G_CALLBACK(&OnRead), &n);
  g_signal_connect(n.handler, "handle-write", G_CALLBACK(&OnWrite), &n);
  g_signal_connect(n.handler, "client-connected", G_CALLBACK(&OnConnected), &n);
  GError* error = nullptr;
  if (!umockdev_testbed_attach_ioctl(testbed_, n.devnode.c_str(), n.handler, &error)) {
    const std::string why = error ? error->message : "unknown";
    if (error) g_error_free(error);
    throw std::runtime_error("umockdev cannot attach the handler: " + why);
  }

  // 3. The amplifier behind it.
  if (n.amp) {
    sim::UsbIdentity identity = n.amp->usbIdentity();
    identity.vendorId = d.vendorId;
    identity.productId = d.productId;
    identity.manufacturer = Widen(d.manufacturer);
    identity.product = Widen(d.product);
    identity.serialNumber = Widen(d.serial);
    n.amp->SetUsbIdentity(identity);
    if (!n.amp->IsPlugged()) n.amp->Plug();
    n.pipe = n.amp->Open(d.vendorId, d.productId);
    if (!n.pipe) throw std::runtime_error("the virtual amplifier refused the open");
    n.pump = std::thread([&n] { n.Pump(); });
  }

  // 4. The USB device, its interface, the HID device and the hidraw node, as
  //    the kernel announces them.
  char buf[64];
  const std::string port = "1-" + std::to_string(n.index + 1);
  n.usbSys = "/sys/devices/pci0000:00/0000:00:14.0/usb1/" + port;
  n.interfaceSys = n.usbSys + "/" + port + ":1.0";
  std::snprintf(buf, sizeof buf, "0003:%04X:%04X.%04X", d.vendorId, d.productId, n.index + 1);
  const std::string hidName = buf;
  n.hidSys = n.interfaceSys + "/" + hidName;
  n.hidrawSys = n.hidSys + "/hidraw/" + name;
  char ids[64];
  std::snprintf(ids, sizeof ids, "%04x", d.vendorId);
  const std::string vid = ids;
  std::snprintf(ids, sizeof ids, "%04x", d.productId);
  const std::string pid = ids;
  std::snprintf(ids, sizeof ids, "0003:%08X:%08X", d.vendorId, d.productId);
  const std::string hidId = ids;
  const std::string majmin = std::to_string(major(n.rdev)) + ":" + std::to_string(minor(n.rdev));
  std::string text;
  text += "P: " + n.usbSys.substr(4) + "\n";
  text += "E: DEVTYPE=usb_device\nE: DRIVER=usb\nE: SUBSYSTEM=usb\n";
  std::snprintf(ids, sizeof ids, "%x/%x/200", d.vendorId, d.productId);
  text += "E: PRODUCT=" + std::string(ids) + "\n";
  text += "E: BUSNUM=001\nE: DEVNUM=" + std::to_string(n.index + 2) + "\n";
  text += "A: idVendor=" + vid + "\\n\nA: idProduct=" + pid + "\\n\nA: bcdDevice=0200\\n\n";
  text += "A: manufacturer=" + d.manufacturer + "\\n\nA: product=" + d.product + "\\n\n";
  text += "A: serial=" + d.serial + "\\n\nA: busnum=1\\n\nA: devnum=" + std::to_string(n.index + 2) + "\\n\n";
  text += "\n";
  text += "P: " + n.interfaceSys.substr(4) + "\n";
  text += "E: DEVTYPE=usb_interface\nE: DRIVER=usbhid\nE: SUBSYSTEM=usb\nE: INTERFACE=3/0/0\n";
  text += "A: bInterfaceNumber=00\\n\nA: bInterfaceClass=03\\n\n";
  text += "\n";
  text += "P: " + n.hidSys.substr(4) + "\n";
  text += "E: DRIVER=hid-generic\nE: SUBSYSTEM=hid\nE: HID_ID=" + hidId + "\n";
  text += "E: HID_NAME=" + d.manufacturer + " " + d.product + "\n";
  text += "E: HID_PHYS=usb-0000:00:14.0-" + std::to_string(n.index + 1) + "/input0\n";
  text += "E: HID_UNIQ=" + d.serial + "\n";
  text += "H: report_descriptor=" + Hex(AmplifierReportDescriptor()) + "\n";
  text += "\n";
  text += "P: " + n.hidrawSys.substr(4) + "\n";
  text += "E: SUBSYSTEM=hidraw\nE: DEVNAME=" + n.devnode + "\n";
  text += "E: MAJOR=" + std::to_string(major(n.rdev)) + "\nE: MINOR=" + std::to_string(minor(n.rdev)) + "\n";
  text += "A: dev=" + majmin + "\\n\n";
  text += "L: device=../../../" + hidName + "\n";
  AddFromString(testbed_, text);

  nodes_.push_back(std::move(node));
  return nodes_.back()->index;
}

void EmulatedUsb::Unplug(int device) {
  Node& n = At(device);
  {
    std::lock_guard<std::mutex> lock(n.mutex);
    if (n.gone) return;
    n.gone = true;
    n.queue.clear();
    n.held.clear();
    // Hang the terminal up: a reader's poll() reports POLLHUP at once. The
    // descriptor number stays umockdev's (it closes it at the end).
    const int stand_in = ::eventfd(0, EFD_CLOEXEC);
    if (stand_in >= 0) {
      ::dup2(stand_in, n.master);
      ::close(stand_in);
    }
  }
  if (n.amp) {
    n.amp->Unplug();
    n.StopPump();
    n.amp->Close(n.pipe);
  }
  // The kernel's order: the node first, the USB device last.
  for (const std::string* sys : {&n.hidrawSys, &n.hidSys, &n.interfaceSys, &n.usbSys}) {
    umockdev_testbed_uevent(testbed_, sys->c_str(), "remove");
  }
  for (const std::string* sys : {&n.hidrawSys, &n.hidSys, &n.interfaceSys, &n.usbSys, &n.placeholderSys}) {
    umockdev_testbed_remove_device(testbed_, sys->c_str());
  }
  // umockdev leaves /sys/dev/char/M:m behind (it reads the "dev" attribute
  // with its newline); the pseudo-terminal's numbers may come again.
  const std::string devLink =
      root_ + "/sys/dev/char/" + std::to_string(major(n.rdev)) + ":" + std::to_string(minor(n.rdev));
  ::unlink(devLink.c_str());
  GError* error = nullptr;
  umockdev_testbed_detach_ioctl(testbed_, n.devnode.c_str(), &error);
  if (error) g_error_free(error);
}

std::string EmulatedUsb::DevNode(int device) const { return At(device).devnode; }
std::string EmulatedUsb::BackingNode(int device) const { return At(device).backing; }
std::string EmulatedUsb::RootDir() const { return root_; }

uint64_t EmulatedUsb::ReportsWritten(int device) const {
  Node& n = At(device);
  std::lock_guard<std::mutex> lock(n.mutex);
  return n.written;
}

EmulatedUsb::ReadStats EmulatedUsb::Reads(int device) const {
  Node& n = At(device);
  std::lock_guard<std::mutex> lock(n.mutex);
  return n.reads;
}

std::vector<unsigned long> EmulatedUsb::UnknownIoctls(int device) const {
  Node& n = At(device);
  std::lock_guard<std::mutex> lock(n.mutex);
  return n.unknownIoctls;
}

void EmulatedUsb::HoldReports(int device, bool hold) {
  Node& n = At(device);
  std::lock_guard<std::mutex> lock(n.mutex);
  n.hold = hold;
  if (!hold) {
    while (!n.held.empty()) {
      n.queue.push_back(std::move(n.held.front()));
      n.held.pop_front();
    }
    n.SignalLocked();
  }
}

}  // namespace vlm::testing
