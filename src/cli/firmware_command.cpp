// vlmctl firmware: the carried images, image checks and flashing an image.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/timing.h"
#include "cli/command_group.h"
#include "cli/device_access.h"
#include "device/commands_mcu.h"
#include "model/file_io.h"
#include "model/model_constants.h"
#include "sim/virtual_amplifier.h"
#include "upgrade/carried_firmware.h"
#include "upgrade/firmware_image.h"
#include "upgrade/upgrade_protocol.h"

namespace vlm::cli {
namespace {

const char* const kUsage =
    "usage: vlmctl firmware export DIR       write the two carried images into DIR\n"
    "       vlmctl firmware check FILE       check an image file; exit 1 when invalid\n"
    "       vlmctl [--simulate] [--trace FILE] firmware flash [--reconnect-wait MS] FILE\n"
    "                                        upgrade the amplifier with FILE\n";

const char* const kExportHelp =
    "usage: vlmctl firmware export DIR\n"
    "Writes the images the program carries for the forced update as DIR/MCU_UPG.bin\n"
    "(resource IDR_MCU_BIN) and DIR/FLASH_UPG.bin (IDR_FLASH_BIN), byte for byte.\n"
    "DIR is created when missing; existing files are replaced.\n";

const char* const kCheckHelp =
    "usage: vlmctl firmware check FILE\n"
    "Prints the kind the file name gives, the model, sizes and checksums of each\n"
    "image in it, and a verdict. The kind comes from the name: it must contain\n"
    "BL_UPG.BIN, FLASH_UPG.BIN, MCU_UPG.BIN or UPG_FW.bin (any case). Exit status 1\n"
    "when the file is not a valid image for this amplifier.\n";

const char* const kFlashHelp =
    "usage: vlmctl [--simulate] [--trace FILE] firmware flash [--reconnect-wait MS] FILE\n"
    "Connects (PC_Connect and the handshake), checks FILE, switches the amplifier into\n"
    "upgrade mode and transfers the image, with a progress bar on a terminal. The\n"
    "amplifier restarts into its loader on the mode switch; the tool waits MS\n"
    "milliseconds (default 8000) before it opens it again. Exit status 1 on failure.\n";

constexpr size_t kReadLimit = upgrade::kMaxMergedImageBytes + 1;

int Usage(const char* problem, const char* help = kUsage) { return UsageError("firmware", problem, help); }

bool ReadImageFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  // At most one byte beyond the largest layout: enough to tell a too large file.
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(f);
    error = "not a regular file";
    return false;
  }
  bytes.resize(std::min<size_t>(static_cast<size_t>(st.st_size), kReadLimit));
  const size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  if (got != bytes.size()) {
    error = "read failed";
    return false;
  }
  return true;
}

int Export(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kExportHelp, stdout);
    return kExitOk;
  }
  if (args.size() != 1) return Usage("export needs one directory", kExportHelp);
  const std::string& dir = args[0];
  if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "vlmctl firmware: cannot create %s: %s\n", dir.c_str(), std::strerror(errno));
    return kExitFailed;
  }
  for (const upgrade::CarriedImage& image : upgrade::CarriedImages()) {
    const std::string path = dir + "/" + image.fileName;
    std::string error;
    const std::string_view bytes(reinterpret_cast<const char*>(image.bytes.data()), image.bytes.size());
    if (!WriteFileAtomically(path, bytes, error)) {
      std::fprintf(stderr, "vlmctl firmware: cannot write %s: %s\n", path.c_str(), error.c_str());
      return kExitFailed;
    }
    std::printf("%s: %s, %zu bytes\n", path.c_str(), image.resource, image.bytes.size());
  }
  return kExitOk;
}

void PrintPart(const char* title, const upgrade::SingleImage& part) {
  const auto& s = part.startParameters;
  std::printf("%s: FW_ID %u, model %u, %zu bytes, body %zu bytes, start parameters %02X %02X %02X %02X\n", title,
              part.fwId, part.modelId, part.size, part.body.size(), s[0], s[1], s[2], s[3]);
  std::printf("  checksum stored 0x%08X, computed 0x%08X%s\n", part.storedChecksum, part.computedChecksum,
              part.storedChecksum == part.computedChecksum ? "" : " (mismatch)");
}

// Prints the report; returns whether the image is valid.
bool PrintReport(const std::string& path, const upgrade::ImageReport& report) {
  std::printf("file: %s\n", path.c_str());
  std::printf("kind: %s\n", upgrade::KindName(report.kind));
  std::printf("size: %zu bytes%s\n", report.fileSize, report.fileSize >= kReadLimit ? " or more" : "");
  if (report.kind == upgrade::ImageKind::Merged) {
    if (report.parts.size() > 0) PrintPart("MCU part", report.parts[0]);
    if (report.parts.size() > 1) PrintPart("DSP part", report.parts[1]);
  } else if (!report.parts.empty()) {
    PrintPart("image", report.parts[0]);
  }
  if (report.Valid()) {
    std::printf("verdict: valid for model %d\n", kModelNumber);
    return true;
  }
  std::printf("verdict: invalid: %s\n", report.kind == upgrade::ImageKind::Invalid
                                            ? "the name gives no image kind"
                                            : upgrade::ProblemText(report.problem));
  return false;
}

int Check(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kCheckHelp, stdout);
    return kExitOk;
  }
  if (args.size() != 1) return Usage("check needs one file", kCheckHelp);
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadImageFile(args[0], bytes, error)) {
    std::fprintf(stderr, "vlmctl firmware: cannot read %s: %s\n", args[0].c_str(), error.c_str());
    return kExitFailed;
  }
  const upgrade::ImageReport report = upgrade::InspectImage(args[0], bytes, static_cast<uint8_t>(kModelNumber));
  return PrintReport(args[0], report) ? kExitOk : kExitFailed;
}

const char* StartResultText(int result) {
  switch (result) {
    case UPG_FILE_OPEN_FAIL: return "the file cannot be opened";
    case UPG_FILE_INVALID: return "the image is invalid";
    case UPG_CONNECT_FAIL: return "the amplifier is not connected";
    case UPG_NOT_READY: return "the amplifier did not accept the upgrade";
    default: return "failed";
  }
}

void DrawBar(int percent) {
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################", kWidth - filled, "",
               percent);
  std::fflush(stderr);
}

// The handshake a session starts with; false with a message when the
// amplifier cannot be reached or refuses.
bool Connect(DeviceLink& link, std::string& error) {
  if (link.OpenHIDDevice() != 0 || !link.IsConnected()) {
    error = "cannot open the amplifier (USB 0483:5750)";
    return false;
  }
  PC_Connect(link, 1);
  if (!Hand_Connect(link)) {
    error = "the amplifier did not answer the handshake";
    return false;
  }
  if (!link.HandshakeAccepted()) {
    error = "the amplifier refused the tool";
    return false;
  }
  if (link.DeviceModel() != kModelNumber) {
    error = "the amplifier reports model " + std::to_string(link.DeviceModel()) + ", not " +
            std::to_string(kModelNumber);
    return false;
  }
  return true;
}

// With the virtual amplifier: does what it received equal the image's body?
void CompareWithAmplifier(DeviceAccess& access, const std::string& path) {
  sim::VirtualAmplifier* amp = access.amplifier();
  if (amp == nullptr) return;
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadImageFile(path, bytes, error)) return;
  const upgrade::ImageReport report = upgrade::InspectImage(path, bytes, static_cast<uint8_t>(kModelNumber));
  if (!report.Valid() || report.parts.empty()) return;
  // A merged file transfers its DSP part.
  const upgrade::SingleImage& sent = report.parts.back();
  const std::vector<uint8_t> received = amp->Snapshot().upgrade.lastReceived;
  const bool same = received.size() == sent.body.size() &&
                    std::equal(received.begin(), received.end(), sent.body.begin());
  std::printf("virtual amplifier received %zu bytes: %s the image body\n", received.size(),
              same ? "equal to" : "DIFFERENT from");
}

int Flash(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kFlashHelp, stdout);
    return kExitOk;
  }
  std::string path;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--reconnect-wait") {
      if (i + 1 >= args.size()) return Usage("--reconnect-wait needs milliseconds", kFlashHelp);
      char* end = nullptr;
      const long ms = std::strtol(args[++i].c_str(), &end, 10);
      if (*end != '\0' || ms < 0 || ms > 600000) return Usage("--reconnect-wait takes 0 to 600000 ms", kFlashHelp);
      timing().upgradeReconnectWaitMs = static_cast<int>(ms);
    } else if (!args[i].empty() && args[i][0] == '-') {
      return Usage(("unknown option " + args[i]).c_str(), kFlashHelp);
    } else if (path.empty()) {
      path = args[i];
    } else {
      return Usage("one image file only", kFlashHelp);
    }
  }
  if (path.empty()) return Usage("flash needs an image file", kFlashHelp);

  DeviceAccess access;
  std::string error;
  if (!access.Prepare(GlobalDeviceOptions(), error)) {
    std::fprintf(stderr, "vlmctl firmware: %s\n", error.c_str());
    return kExitFailed;
  }
  DeviceLink& link = access.link();
  if (!Connect(link, error)) {
    std::fprintf(stderr, "vlmctl firmware: %s\n", error.c_str());
    return kExitFailed;
  }
  // Nothing queued may interleave with the transfer.
  link.SetQueueGate(false);
  std::printf("flashing %s\n", path.c_str());
  std::fflush(stdout);
  const int started = UpgradeStart(link, path);
  if (started != UPG_OK) {
    std::fprintf(stderr, "vlmctl firmware: upgrade not started: %s (%d; %s)\n", StartResultText(started), started,
                 UpgradeErrorText(LastUpgradeError(link)).c_str());
    link.CloseHIDDevice(link.IsConnected() && !link.Transport().DeviceGone());
    return kExitFailed;
  }
  const bool bar = ::isatty(STDERR_FILENO) != 0;
  int value = 0;
  int shown = -1;
  while ((value = UpgradeStep(link)) <= 100) {
    if (bar && value != shown) DrawBar(value);
    shown = value;
  }
  if (bar) std::fputc('\n', stderr);
  const UpgradeError failure = LastUpgradeError(link);
  if (link.IsConnected()) link.CloseHIDDevice(!link.Transport().DeviceGone());
  if (value != kUpgradeStepFinished) {
    std::fprintf(stderr, "vlmctl firmware: upgrade failed: %s\n", UpgradeErrorText(failure).c_str());
    return kExitFailed;
  }
  std::printf("upgrade finished\n");
  CompareWithAmplifier(access, path);
  return kExitOk;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return Usage("which firmware command?");
  const std::string& verb = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (verb == "--help" || verb == "-h") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (verb == "export") return Export(rest);
  if (verb == "check") return Check(rest);
  if (verb == "flash") return Flash(rest);
  return Usage(("unknown firmware command " + verb).c_str());
}

}  // namespace

CommandGroup FirmwareCommandGroup() {
  return {"firmware", "export the carried images, check an image file, flash the amplifier", &Run};
}

}  // namespace vlm::cli
