#include "cli/device_session_cli.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/timing.h"
#include "cli/command_group.h"
#include "sim/virtual_amplifier.h"

namespace vlm::cli {
namespace {

constexpr int kSimulatedFaultReplyWaitMs = 200;

// HID_ID of the amplifier in a hidraw node's uevent: bus 3 (USB), 0483:5750.
bool IsAmplifierNode(const std::string& name) {
  std::ifstream in("/sys/class/hidraw/" + name + "/device/uevent");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("HID_ID=", 0) == 0) {
      unsigned bus = 0, vendor = 0, product = 0;
      if (std::sscanf(line.c_str() + 7, "%x:%x:%x", &bus, &vendor, &product) == 3) {
        return vendor == kAmplifierVendorId && product == kAmplifierProductId;
      }
    }
  }
  return false;
}

}  // namespace

std::string OpenFailureText() {
  DIR* dir = opendir("/sys/class/hidraw");
  if (!dir) return "no amplifier found";
  std::string denied;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.rfind("hidraw", 0) != 0 || !IsAmplifierNode(name)) continue;
    const std::string node = "/dev/" + name;
    if (access(node.c_str(), R_OK | W_OK) != 0) {
      denied = node;
      break;
    }
  }
  closedir(dir);
  return denied.empty() ? "no amplifier found" : "permission denied on " + denied;
}

bool TakeCodePage(std::vector<std::string>& args, SceneNameCodePage& page, std::string& error) {
  const char* lang = std::getenv("LANG");
  page = CodePageForLanguage(lang ? lang : "");
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--codepage") continue;
    if (i + 1 >= args.size() || !CodePageFromNumber(std::atoi(args[i + 1].c_str()), page)) {
      error = "--codepage takes 1252, 936 or 1251";
      return false;
    }
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i + 2));
    break;
  }
  return true;
}

bool DeviceCommand::Prepare() {
  std::string error;
  if (!access_.Prepare(GlobalDeviceOptions(), error)) {
    std::fprintf(stderr, "vlmctl: %s\n", error.c_str());
    return false;
  }
  if (sim::VirtualAmplifier* amp = access_.amplifier()) {
    // With --simulate, VLMCTL_SIMULATE_FAULT lets the failure paths be tried:
    // "refuse", "model" (another model), "silent" (no replies), "unplugged",
    // "lost-replies" (one command's answer lost twice).
    const char* fault = std::getenv("VLMCTL_SIMULATE_FAULT");
    const std::string f = fault ? fault : "";
    // A simulated fault need not cost the real amplifier's reply wait.
    if (!f.empty()) timing().readTimeoutMs = kSimulatedFaultReplyWaitMs;
    if (f == "refuse") amp->RefuseHandshake(true);
    if (f == "model") amp->SetModel(77);
    if (f == "silent") amp->DropNextReplies(1000000);
    if (f == "unplugged") amp->Unplug();
    // "lost-replies": after the read-back that comes before a push (111
    // reports), the eleventh command's answer is lost twice.
    if (f == "lost-replies") {
      amp->ArmFaultAfterReports(121, [](sim::VirtualAmplifier& a) { a.DropNextReplies(2); });
    }
  }
  session_ = std::make_unique<DeviceSession>(access_.link(), nullptr);
  session_->SetSnapshotStore(&snapshots_);
  session_->overrides().SetFolder(DefaultOverrideFolder());
  return true;
}

int DeviceCommand::Fail(const std::string& what, const SessionResult& result) {
  std::string why;
  switch (result.status) {
    case SessionStatus::OpenFailed: why = OpenFailureText(); break;
    case SessionStatus::NoReply:
      why = result.unconfirmed.empty() ? "the amplifier did not answer in time (" + result.step + ")"
                                       : result.Describe();
      break;
    case SessionStatus::Refused: why = "the amplifier refused the connection"; break;
    case SessionStatus::WrongModel:
      why = "the amplifier is another model (" + result.detail + ")";
      break;
    default: why = result.Describe(); break;
  }
  std::fprintf(stderr, "vlmctl: %s: %s\n", what.c_str(), why.c_str());
  return kExitFailed;
}

bool DeviceCommand::Open() {
  const SessionResult r = session_->OpenDevice();
  if (!r.ok()) {
    Fail("connect", r);
    return false;
  }
  connected_ = true;
  return true;
}

bool DeviceCommand::Connect() {
  if (!Open()) return false;
  const SessionResult r = session_->Handshake(*store_);
  if (!r.ok()) {
    Fail("connect", r);
    return false;
  }
  return true;
}

bool DeviceCommand::ReadBackWithSnapshot(SnapshotTrigger trigger, const char* what) {
  // The read-back starts with the handshake: open only.
  if (!Open()) return false;
  const SessionResult r = session_->ReadBack(*store_);
  if (!r.ok()) {
    Fail(what, r);
    return false;
  }
  if (r.missingReplies > 0) {
    // Settings some reads did not answer are not the amplifier's.
    std::fprintf(stderr, "vlmctl: %s: no snapshot kept: %d reads got no reply\n", what, r.missingReplies);
    return true;
  }
  const SnapshotSaveResult saved = session_->KeepSnapshot(store_->live(), trigger);
  if (!saved.ok()) std::fprintf(stderr, "vlmctl: %s: no snapshot kept: %s\n", what, saved.detail.c_str());
  return true;
}

void DeviceCommand::TellRecovery() {
  if (!session_) return;
  const OverrideRecovery r = session_->TakeRecovery();
  if (!r.found) return;
  const std::string what = r.provisionalRun      ? " (an auto-setup run neither applied nor discarded)"
                           : r.soloedChannel >= 0 ? " (solo on channel " + std::to_string(r.soloedChannel + 1) + ")"
                                                  : "";
  if (r.restored) {
    std::fprintf(stderr, "vlmctl: the amplifier still held temporary settings of an earlier session%s: restored\n",
                 what.c_str());
  } else {
    std::fprintf(stderr, "vlmctl: the amplifier holds temporary settings of an earlier session%s: not restored: %s\n",
                 what.c_str(), r.problem.c_str());
  }
}

DeviceCommand::~DeviceCommand() {
  TellRecovery();
  if (session_ && connected_) session_->DisconnectDevice();
  session_.reset();
}

}  // namespace vlm::cli
