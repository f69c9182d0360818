#pragma once
// How the command operations hand their payloads to the link: mode Q (queued
// for the command thread, or sent at once and read with the default wait when
// `immediately`), or sent at once and read with the operation's own wait.
// An operation whose payload builder refused sends nothing and returns false.
#include <cstdint>
#include <optional>

#include "base/timing.h"
#include "device/commands_payload.h"
#include "device/device_link.h"
#include "device/packet.h"

namespace vlm::detail {

inline bool SendQ(DeviceLink& link, uint8_t type, uint8_t cmd, uint8_t op, std::optional<Payload> payload,
                  bool immediately) {
  if (!payload) return false;
  return link.Issue(type, cmd, op, std::move(*payload), immediately);
}

inline bool SendNow(DeviceLink& link, uint8_t type, uint8_t cmd, uint8_t op, const std::optional<Payload>& payload,
                    int timeoutMs) {
  if (!payload) return false;
  return link.Exchange(type, cmd, op, *payload, timeoutMs);
}

}  // namespace vlm::detail
