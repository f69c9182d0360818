#pragma once
// The amplifier's command set: one handler per (packet type, command, op).
// A handler reads the request's payload, changes the state and appends the
// frames the amplifier answers with. A plain set appends nothing: the
// amplifier acknowledges it afterwards with an empty 0xEE frame (see
// VirtualAmplifier::SetAcknowledgeSets); commands registered as answering
// themselves never get that acknowledgement.
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

#include "sim/amplifier_state.h"
#include "sim/sim_wire.h"

namespace vlm::sim {

// Who the amplifier says it is in the handshake.
struct HandshakeIdentity {
  uint8_t acceptByte = 0x00;  // 0xF0 refuses the tool
  uint8_t model = kModelNumber;
  uint8_t masterVersion = 16;
  uint8_t slaveVersion = 19;
};

struct HandlerContext {
  AmplifierState& state;
  const HandshakeIdentity& identity;
  const Frame& request;
  std::vector<Frame>& replies;
  // Upgrade blocks still to be answered NOT_READY (fault injection).
  int& notReadyBlocks;
  // When 0..255: the code the next upgrade start is answered with instead of
  // being taken (fault injection); -1 otherwise.
  int& startAnswer;
  // Set by a handler when the amplifier restarts after its answer.
  bool rebootAfterReply = false;
  // Set by a handler when the amplifier comes back with another firmware
  // version (master, slave) in its handshake.
  bool newFirmwareVersion = false;
  uint8_t newMasterVersion = 0;
  uint8_t newSlaveVersion = 0;

  const std::vector<uint8_t>& payload() const { return request.payload; }
  // An answer with the request's type and command.
  void Reply(uint8_t op, std::vector<uint8_t> payload);
  void ReplyData(std::vector<uint8_t> payload) { Reply(kOpData, std::move(payload)); }
  void Ack(std::vector<uint8_t> payload) { Reply(kOpAck, std::move(payload)); }
};

using CommandHandler = void (*)(HandlerContext&);

// How a set is answered besides what its handler appends.
enum class SetAnswer {
  Acknowledged,  // the short acknowledgement follows (when switched on)
  OwnAnswer,     // the handler answers, or stays silent, by itself
};

struct CommandEntry {
  CommandHandler handler = nullptr;
  SetAnswer answer = SetAnswer::Acknowledged;
  CommandEntry() = default;
  // Implicit, so that a table line reads `t[key] = Handler;`.
  CommandEntry(CommandHandler h, SetAnswer a = SetAnswer::Acknowledged) : handler(h), answer(a) {}
};

struct CommandKey {
  uint8_t type;
  uint8_t command;
  uint8_t op;
  bool operator<(const CommandKey& o) const {
    return std::tie(type, command, op) < std::tie(o.type, o.command, o.op);
  }
};

using CommandTable = std::map<CommandKey, CommandEntry>;

// The whole table, built once.
const CommandTable& AmplifierCommands();

// Per packet type (one file each).
void RegisterDspCommands(CommandTable& table);
void RegisterSceneCommands(CommandTable& table);
void RegisterMcuCommands(CommandTable& table);
void RegisterKtvCommands(CommandTable& table);
void RegisterUpgradeCommands(CommandTable& table);

// Acknowledgement codes of the amplifier.
inline constexpr uint8_t kAckReady = 0x0A;
inline constexpr uint8_t kAckNotReady = 0x60;

}  // namespace vlm::sim
