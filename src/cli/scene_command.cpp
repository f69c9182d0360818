// vlmctl scene: the ten scenes stored in the amplifier.
#include <cstdio>
#include <cstdlib>

#include "cli/command_group.h"
#include "cli/device_session_cli.h"
#include "model/scene_name_codec.h"

namespace vlm::cli {
namespace {

const char* const kHelp =
    "usage: vlmctl [--simulate] [--trace FILE] scene [--codepage N] list\n"
    "       vlmctl ... scene [--codepage N] load N        stored scene N becomes the live settings\n"
    "       vlmctl ... scene [--codepage N] save N NAME   store the live settings as scene N\n"
    "       vlmctl ... scene delete N\n"
    "Scenes are numbered 1 to 10; names have at most 7 characters. Names are kept\n"
    "in the code page of the user's language (1252, 936 or 1251; from LANG unless\n"
    "--codepage is given).\n";

bool SceneNumber(const std::string& text, int& n) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < 1 || v > kStoredScenes) return false;
  n = static_cast<int>(v);
  return true;
}

bool ReadBackFirst(DeviceCommand& command) {
  const SessionResult r = command.session().ReadBack(command.store());
  if (!r.ok()) DeviceCommand::Fail("scene load", r);
  return r.ok();
}

int Run(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  SceneNameCodePage page{};
  std::string error;
  if (!TakeCodePage(args, page, error)) {
    std::fprintf(stderr, "vlmctl: scene: %s\n", error.c_str());
    return kExitUsage;
  }
  const std::string verb = args.empty() ? "" : args[0];
  int n = 0;
  const bool listing = verb == "list" && args.size() == 1;
  const bool numbered = (verb == "load" || verb == "delete") && args.size() == 2;
  const bool saving = verb == "save" && args.size() == 3;
  if (!(listing || numbered || saving) || (!listing && !SceneNumber(args[1], n))) {
    std::fputs(kHelp, stderr);
    return kExitUsage;
  }
  if (saving) {
    // Refused before anything is sent.
    if (const EncodedSceneName e = EncodeSceneName(Utf8ToUtf16(args[2]), page); !e.ok) {
      std::fprintf(stderr, "vlmctl: scene save: %s\n", e.error.c_str());
      return kExitFailed;
    }
  }
  DeviceCommand command;
  if (!command.Prepare()) return kExitFailed;
  command.session().SetCodePage(page);
  // A load replaces the live settings: they are read back first, and the
  // load keeps them as a snapshot before its recall.
  if (verb == "load" ? !command.Open() || !ReadBackFirst(command) : !command.Connect()) return kExitFailed;
  DeviceSession& session = command.session();
  if (listing) {
    const SessionResult r = session.ReadBack(command.store());
    if (!r.ok()) return DeviceCommand::Fail("scene list", r);
    for (int s = 1; s <= kStoredScenes; ++s) {
      const std::u16string name = command.store().sceneName(s, page);
      std::printf("%2d  %s\n", s, name.empty() ? "(empty)" : Utf16ToUtf8(name).c_str());
    }
    return kExitOk;
  }
  SessionResult r;
  if (verb == "load") r = session.LoadScene(n, command.store());
  if (verb == "save") r = session.SaveScene(n, Utf8ToUtf16(args[2]));
  if (verb == "delete") r = session.DeleteScene(n);
  if (!r.ok()) return DeviceCommand::Fail("scene " + verb, r);
  std::printf("scene %d %s\n", n, verb == "load" ? "loaded" : verb == "save" ? "saved" : "deleted");
  return kExitOk;
}

}  // namespace

CommandGroup SceneCommandGroup() { return {"scene", "list, load, save and delete the stored scenes", Run}; }

}  // namespace vlm::cli
