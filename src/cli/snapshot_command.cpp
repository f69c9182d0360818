// vlmctl snapshot: the snapshots of the live settings kept in the user's data
// folder (after each connection, before each push, scene load, factory reset
// and restore), listed and restored.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/command_group.h"
#include "cli/device_session_cli.h"
#include "snapshot/snapshot_store.h"

namespace vlm::cli {
namespace {

const char* const kHelp =
    "usage: vlmctl snapshot list\n"
    "       vlmctl [--simulate] [--trace FILE] snapshot restore FILE\n"
    "Snapshots of the amplifier's live settings are kept in\n"
    "$XDG_DATA_HOME/vlm-tuner/snapshots (the newest 100): after each connection,\n"
    "and before each profile push, scene load, factory reset and restore.\n"
    "list     prints one line per snapshot, newest first: file, time (UTC),\n"
    "         what triggered it, the amplifier's serial and firmware version\n"
    "restore  makes the amplifier hold FILE's settings whole (FILE is a path or\n"
    "         a file name from the list). The ten stored scenes are not part of\n"
    "         a snapshot and stay as they are.\n";

int List() {
  SnapshotStore store(SnapshotStore::DefaultFolder());
  for (const SnapshotEntry& e : store.List()) {
    if (!e.readable) {
      std::printf("%s  unreadable: %s\n", e.name.c_str(), e.problem.c_str());
      continue;
    }
    const SnapshotHeader& h = e.header;
    std::printf("%s  %s  %-13s  %s  %s\n", e.name.c_str(), h.time.c_str(), SnapshotTriggerName(h.trigger),
                h.serial.empty() ? "(no serial)" : h.serial.c_str(), h.firmware.c_str());
  }
  return kExitOk;
}

// A bare file name that is not in the working folder is looked up in the snapshot folder.
std::string Resolve(const std::string& file) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (file.find('/') != std::string::npos || fs::exists(file, ec)) return file;
  return SnapshotStore::DefaultFolder() + "/" + file;
}

int Restore(const std::string& file) {
  const std::string path = Resolve(file);
  SnapshotHeader header;
  auto state = std::make_unique<SceneProfile>();
  // Checked whole before anything is sent.
  if (const SnapshotReadResult r = ReadSnapshotFile(path, header, *state); !r.ok) {
    std::fprintf(stderr, "vlmctl: snapshot restore: %s is refused: %s\n", file.c_str(), r.Describe().c_str());
    return kExitFailed;
  }
  DeviceCommand command;
  if (!command.Prepare() || !command.ReadBackWithSnapshot(SnapshotTrigger::Restore, "snapshot restore")) {
    return kExitFailed;
  }
  const std::string serial = command.session().link().SerialNumber();
  if (serial != header.serial) {
    std::fprintf(stderr, "vlmctl: snapshot restore: note: %s was taken of amplifier \"%s\", this one is \"%s\"\n",
                 file.c_str(), header.serial.c_str(), serial.c_str());
  }
  const SessionResult r = command.session().RestoreFullState(*state);
  if (!r.ok()) return DeviceCommand::Fail("snapshot restore", r);
  std::printf("%s restored\n", file.c_str());
  return kExitOk;
}

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (args.size() == 1 && args[0] == "list") return List();
  if (args.size() == 2 && args[0] == "restore") return Restore(args[1]);
  std::fputs(kHelp, stderr);
  return kExitUsage;
}

}  // namespace

CommandGroup SnapshotCommandGroup() { return {"snapshot", "list and restore snapshots of the live settings", Run}; }

}  // namespace vlm::cli
