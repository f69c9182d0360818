#include "upgrade/carried_firmware_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>
#include <vector>

#include "base/log.h"
#include "upgrade/carried_firmware.h"

namespace vlm::upgrade {
namespace {

std::string TemporaryBase() {
  for (const char* name : {"TMP", "TMPDIR"}) {
    const char* v = std::getenv(name);
    if (v && *v) return v;
  }
  return "/tmp";
}

// 0, or 5 (not created) / 6 (short write), as the failure codes count them.
int WriteExclusive(const std::string& path, const uint8_t* data, size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return 5;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool closed = ::close(fd) == 0;
  return done == size && closed ? 0 : 6;
}

}  // namespace

PreparedFirmware::~PreparedFirmware() { Remove(); }

PreparedFirmware::PreparedFirmware(PreparedFirmware&& other) noexcept
    : error(other.error),
      folder(std::exchange(other.folder, {})),
      mcuPath(std::exchange(other.mcuPath, {})),
      flashPath(std::exchange(other.flashPath, {})) {}

PreparedFirmware& PreparedFirmware::operator=(PreparedFirmware&& other) noexcept {
  if (this != &other) {
    Remove();
    error = other.error;
    folder = std::exchange(other.folder, {});
    mcuPath = std::exchange(other.mcuPath, {});
    flashPath = std::exchange(other.flashPath, {});
  }
  return *this;
}

void PreparedFirmware::Remove() {
  if (!mcuPath.empty()) ::unlink(mcuPath.c_str());
  if (!flashPath.empty()) ::unlink(flashPath.c_str());
  if (!folder.empty()) ::rmdir(folder.c_str());
  mcuPath.clear();
  flashPath.clear();
  folder.clear();
}

PreparedFirmware PrepareCarriedFirmware(const std::string& baseDir) {
  PreparedFirmware out;
  LogMessage("Start force update!\n");
  const std::string base = baseDir.empty() ? TemporaryBase() : baseDir;
  LogMessage("tmp dir is %s\n", base.c_str());
  std::string tmpl = base + "/vlm-firmware-XXXXXX";
  std::vector<char> buffer(tmpl.begin(), tmpl.end());
  buffer.push_back('\0');
  // mkdtemp makes the folder with mode 0700 under a name nobody else holds.
  if (!::mkdtemp(buffer.data())) {
    out.error = 5;
    return out;
  }
  out.folder = buffer.data();
  struct Entry {
    const char* resource;
    const char* file;
    std::string* path;
    int codeBase;
  };
  const Entry entries[] = {{"IDR_MCU_BIN", "MCU_UPG.bin", &out.mcuPath, 0},
                           {"IDR_FLASH_BIN", "FLASH_UPG.bin", &out.flashPath, 6}};
  for (const Entry& e : entries) {
    bool known = false;
    for (const CarriedImage& image : CarriedImages()) known = known || std::string_view(image.resource) == e.resource;
    const std::span<const uint8_t> bytes = CarriedResource(e.resource);
    int code = 0;
    if (!known) {
      code = 1;
    } else if (bytes.empty()) {
      code = 3;
    } else {
      const std::string path = out.folder + "/" + e.file;
      code = WriteExclusive(path, bytes.data(), bytes.size());
      // A file that was created belongs to us and is removed with the rest.
      if (code != 5) *e.path = path;
    }
    if (code != 0) {
      out.Remove();
      out.error = e.codeBase + code;
      LogMessage("File prepare error. error code %d\n", out.error);
      return out;
    }
  }
  return out;
}

}  // namespace vlm::upgrade
