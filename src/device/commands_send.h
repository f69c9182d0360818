#pragma once
// How the command operations hand their payloads to the link, following the
// command's row in the protocol table: mode Q (queued for the command thread
// with the setting it changes, or sent at once and read with the default wait
// when `immediately`), or sent at once and read with the command's own wait.
// An operation whose payload builder refused sends nothing and returns false.
#include <cstdint>
#include <optional>

#include "base/timing.h"
#include "device/commands_payload.h"
#include "device/device_link.h"
#include "device/packet.h"
#include "device/protocol.h"

namespace vlm::detail {

// The read that follows a command sent at once.
inline int WaitMs(proto::Wait wait) {
  switch (wait) {
    case proto::Wait::Short: return timing().shortReadTimeoutMs;
    case proto::Wait::Quick: return timing().quickReadTimeoutMs;
    case proto::Wait::Scene: return timing().sceneReadTimeoutMs;
    case proto::Wait::NoRead: return -1;
    default: return timing().readTimeoutMs;
  }
}

// A mode-Q command; `target` is the setting it changes.
inline bool SendQ(DeviceLink& link, const proto::Command& command, std::optional<Payload> payload, bool immediately,
                  const SettingTarget& target = {}) {
  if (!payload) return false;
  return link.Issue(command.type, command.command, command.op, std::move(*payload), immediately, target);
}

// A command sent at once with its own wait.
inline bool SendNow(DeviceLink& link, const proto::Command& command, const std::optional<Payload>& payload) {
  if (!payload) return false;
  return link.Exchange(command.type, command.command, command.op, *payload, WaitMs(command.wait));
}

// Commands outside the table (the KTV effects): type, command and op given.
inline bool SendQ(DeviceLink& link, uint8_t type, uint8_t cmd, uint8_t op, std::optional<Payload> payload,
                  bool immediately) {
  if (!payload) return false;
  return link.Issue(type, cmd, op, std::move(*payload), immediately);
}

}  // namespace vlm::detail
