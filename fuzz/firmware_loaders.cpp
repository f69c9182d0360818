// Arbitrary files through the image loaders of a connected link (the
// virtual amplifier at the other end). The first byte picks the loader.
// Checks: an accepted file leaves exactly its body loaded; a refused one
// leaves nothing loaded and the upgrade state idle.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "device/device_link.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "upgrade/upgrade_loaders.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

struct Setup {
  std::shared_ptr<vlm::sim::VirtualAmplifier> amp = std::make_shared<vlm::sim::VirtualAmplifier>();
  vlm::DeviceLink link{std::make_unique<vlm::sim::SimTransport>(amp)};
  std::string dir;
  std::string path;
  ~Setup() {
    std::remove(path.c_str());
    ::rmdir(dir.c_str());
  }
  Setup() {
    link.SetLinkSettings(78, 12, 10, false, false);
    Require(link.OpenHIDDevice() == 0);
    // A file per input: in memory where the machine offers it, so the disk
    // does not set the pace.
    char shm[] = "/dev/shm/vlm-fuzz-XXXXXX";
    char tmp[] = "/tmp/vlm-fuzz-XXXXXX";
    const char* made = ::mkdtemp(shm);
    if (made == nullptr) made = ::mkdtemp(tmp);
    Require(made != nullptr);
    dir = made;
    path = dir + "/image.bin";
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Setup s;
  if (size == 0) return 0;
  std::FILE* f = std::fopen(s.path.c_str(), "wb");
  Require(f != nullptr);
  if (size > 1) Require(std::fwrite(data + 1, 1, size - 1, f) == size - 1);
  std::fclose(f);
  const size_t fileSize = size - 1;

  vlm::UpgradeData& u = s.link.Upgrade();
  int result = 0;
  switch (data[0] % 4) {
    case 0: result = vlm::MCUUpgParsingFile(s.link, s.path); break;
    case 1: result = vlm::MCUUpgBLParsingFile(s.link, s.path); break;
    case 2: result = vlm::FlashUpgParsingFile(s.link, s.path); break;
    default: result = vlm::ParsingUpgFWFile(s.link, s.path); break;
  }
  if (result == vlm::UPG_OK) {
    if (data[0] % 4 == 2) {
      Require(u.dspBody.size() + 14 == fileSize && u.dspTotal == u.dspBody.size());
    } else if (data[0] % 4 == 3) {
      Require(u.mcuBody.size() + u.dspBody.size() + 28 < fileSize);
    } else {
      Require(u.mcuBody.size() + 14 == fileSize && u.mcuRemaining == u.mcuBody.size());
    }
  } else {
    Require(u.mcuBody.empty() && u.dspBody.empty());
    Require(s.link.UpgradeState() == vlm::UPG_IDLE);
  }
  u.FreeBuffers();
  s.link.SetUpgradeState(vlm::UPG_IDLE);
  return 0;
}
