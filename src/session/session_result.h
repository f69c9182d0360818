#pragma once
// What a device operation of the session tells its caller: success, or what
// failed (not connected, refused, no reply, write failed, ...) and at which
// step, so that the GUI and vlmctl can say it in one line.
#include <string>
#include <vector>

namespace vlm {

enum class SessionStatus {
  Ok,
  NotConnected,      // the link was not open when the operation began
  OpenFailed,        // no amplifier could be opened
  Busy,              // another worker runs
  UpgradeHoldsLink,  // an upgrade holds the link; nothing was done
  Refused,           // the amplifier refused the tool (handshake)
  WrongModel,        // the amplifier is another model
  NoReply,           // a command got no reply in its time
  WriteFailed,       // the report could not be written
  Disconnected,      // the amplifier went away during the operation
  InvalidArgument,   // a scene number or name the amplifier cannot take
  Cancelled,         // the user stopped the operation part-way
  FileFailed,        // a file the operation needs could not be written or read
};

struct SessionResult {
  SessionStatus status = SessionStatus::Ok;
  std::string step;    // the command or step that failed, e.g. "Get_EQ ch 3 bands 8..15"
  std::string detail;  // more, e.g. the model number or why a name was refused
  int missingReplies = 0;  // reads without a reply that the operation went past
  // Sets the amplifier did not confirm although the operation sent them
  // twice (a push goes on past them); their step names, in order.
  std::vector<std::string> unconfirmed;

  bool ok() const { return status == SessionStatus::Ok; }
  static SessionResult Success() { return {}; }
  static SessionResult Failure(SessionStatus status, std::string step, std::string detail = {}) {
    SessionResult r;
    r.status = status;
    r.step = std::move(step);
    r.detail = std::move(detail);
    return r;
  }
  // One line for a person: "no reply to Hand_Connect", "the amplifier is another model (77)",
  // "3 settings not confirmed: EQ_Ctrl ch 0 band 6, ...".
  std::string Describe() const;
};

const char* SessionStatusName(SessionStatus status);

}  // namespace vlm
