#include "session/session_result.h"

namespace vlm {

const char* SessionStatusName(SessionStatus status) {
  switch (status) {
    case SessionStatus::Ok: return "ok";
    case SessionStatus::NotConnected: return "not connected";
    case SessionStatus::OpenFailed: return "no amplifier found";
    case SessionStatus::Busy: return "another operation is running";
    case SessionStatus::UpgradeHoldsLink: return "a firmware upgrade holds the link";
    case SessionStatus::Refused: return "the amplifier refused the connection";
    case SessionStatus::WrongModel: return "the amplifier is another model";
    case SessionStatus::NoReply: return "no reply";
    case SessionStatus::WriteFailed: return "write failed";
    case SessionStatus::Disconnected: return "the amplifier went away";
    case SessionStatus::InvalidArgument: return "invalid argument";
    case SessionStatus::Cancelled: return "cancelled";
    case SessionStatus::FileFailed: return "file failed";
  }
  return "unknown";
}

std::string SessionResult::Describe() const {
  if (!unconfirmed.empty()) {
    std::string line = std::to_string(unconfirmed.size()) +
                       (unconfirmed.size() == 1 ? " setting not confirmed: " : " settings not confirmed: ");
    for (size_t i = 0; i < unconfirmed.size(); ++i) line += (i ? ", " : "") + unconfirmed[i];
    return line;
  }
  std::string line = SessionStatusName(status);
  if (!step.empty()) {
    line += status == SessionStatus::NoReply ? " to " : " at ";
    line += step;
  }
  if (!detail.empty()) line += " (" + detail + ")";
  return line;
}

}  // namespace vlm
