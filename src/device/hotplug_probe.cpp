#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>

#include "device/device_link.h"
#include "device/hotplug_monitor.h"

namespace vlm {
namespace {

bool ParseHex(std::string_view text, unsigned long& out) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, 16);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool IsAmplifierHidId(std::string_view hidId) {
  const size_t a = hidId.find(':');
  if (a == std::string_view::npos) return false;
  const size_t b = hidId.find(':', a + 1);
  if (b == std::string_view::npos) return false;
  unsigned long bus = 0, vendor = 0, product = 0;
  if (!ParseHex(hidId.substr(0, a), bus) || !ParseHex(hidId.substr(a + 1, b - a - 1), vendor) ||
      !ParseHex(hidId.substr(b + 1), product))
    return false;
  return vendor == kAmplifierVendorId && product == kAmplifierProductId;
}

AmplifierAccess ProbeAmplifierAccess(const std::string& sysRoot, const std::string& devRoot) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path classDir = fs::path(sysRoot) / "class" / "hidraw";
  bool present = false;
  for (fs::directory_iterator it(classDir, ec), end; !ec && it != end; it.increment(ec)) {
    std::ifstream uevent(it->path() / "device" / "uevent");
    std::string line;
    bool ours = false;
    while (std::getline(uevent, line)) {
      if (line.rfind("HID_ID=", 0) == 0 && IsAmplifierHidId(std::string_view(line).substr(7))) ours = true;
    }
    if (!ours) continue;
    present = true;
    const fs::path node = fs::path(devRoot) / it->path().filename();
    if (::access(node.c_str(), R_OK | W_OK) == 0) return AmplifierAccess::Accessible;
  }
  return present ? AmplifierAccess::NoPermission : AmplifierAccess::NotPresent;
}

}  // namespace vlm
