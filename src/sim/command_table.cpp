#include "sim/command_table.h"

#include "base/log.h"

namespace vlm::sim {

void HandlerContext::Reply(uint8_t op, std::vector<uint8_t> payload) {
  // Every answer must fit one 64-byte report; a handler that builds a longer
  // one has a bug, and sending it cut would hide that.
  if (payload.size() > kMaxFramePayload) {
    LogMessage("virtual amplifier: reply 0x%02x/0x%02x of %zu bytes not sent\n", request.type,
               request.command, payload.size());
    return;
  }
  replies.push_back(Frame{request.type, request.command, op, std::move(payload)});
}

const CommandTable& AmplifierCommands() {
  static const CommandTable table = [] {
    CommandTable t;
    RegisterDspCommands(t);
    RegisterSceneCommands(t);
    RegisterMcuCommands(t);
    RegisterKtvCommands(t);
    RegisterUpgradeCommands(t);
    return t;
  }();
  return table;
}

}  // namespace vlm::sim
