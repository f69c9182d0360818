#pragma once
// The forced update's preparation: the two carried images written to disk so
// that the upgrade can load them like any image file.
//
// They go into a folder made for this run alone (mode 0700, a fresh name
// under the temporary directory of "TMP", else TMPDIR, else /tmp), written
// with O_EXCL and O_NOFOLLOW, so that no other local user can plant a link or
// swap an image between writing and flashing. The folder and both files are
// removed when the PreparedFirmware goes away, whether the upgrade worked or
// not.
#include <string>

namespace vlm::upgrade {

class PreparedFirmware {
 public:
  PreparedFirmware() = default;
  ~PreparedFirmware();
  PreparedFirmware(PreparedFirmware&& other) noexcept;
  PreparedFirmware& operator=(PreparedFirmware&& other) noexcept;
  PreparedFirmware(const PreparedFirmware&) = delete;
  PreparedFirmware& operator=(const PreparedFirmware&) = delete;

  // 0 when both files are written; otherwise the failure code: 1 MCU
  // resource not found, 2 not loaded, 3 size 0, 4 not locked, 5 file not
  // created, 6 short write; 7..12 the same for the DSP resource. 5 also
  // stands for a private folder that could not be made.
  int error = 0;
  std::string folder;
  std::string mcuPath;    // ".../MCU_UPG.bin"
  std::string flashPath;  // ".../FLASH_UPG.bin"

  // Removes the files and the folder now (also done on destruction).
  void Remove();
};

// Writes "IDR_MCU_BIN" and then "IDR_FLASH_BIN". On a failure nothing is
// left on disk. `baseDir` empty: the temporary directory described above.
PreparedFirmware PrepareCarriedFirmware(const std::string& baseDir = {});

}  // namespace vlm::upgrade
