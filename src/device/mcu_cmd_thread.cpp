// The command thread: sends what callers queued without waiting, one exchange
// at a time, from the link's construction to its destruction.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "base/log.h"
#include "base/timing.h"
#include "device/device_link.h"

namespace vlm {

namespace {

void LogRecord(const CommandRecord& record) {
  std::string line;
  char cell[64];
  std::snprintf(cell, sizeof cell, "get mcmd 0x%02x subcmd 0x%02x optype 0x%02x len 0x%02x ",
                record.type, record.command, static_cast<unsigned>(record.op),
                static_cast<unsigned>(record.payload.size()));
  line += cell;
  for (uint8_t b : record.payload) {
    std::snprintf(cell, sizeof cell, "cmd_data[i](0x%02x) ", b);
    line += cell;
  }
  LogMessage("%s\n", line.c_str());
}

}  // namespace

void DeviceLink::McuCmdThread() {
  LogMessage("McuCmdThread start\n");
  std::array<uint8_t, kInputReportSize> reply{};
  while (threadRunning_.load()) {
    std::optional<CommandRecord> record = queue_.Pop();
    if (!record) {
      std::this_thread::sleep_for(std::chrono::milliseconds(timing().queueIdleSleepMs));
      continue;
    }
    LogRecord(*record);
    // Send and read as one exchange, so no other thread's reply lands in ours.
    std::lock_guard<std::recursive_mutex> lock(exchangeMutex_);
    const bool sent = SendCtrlCommand(record->type, record->command,
                                      static_cast<uint8_t>(record->op), record->payload.data(),
                                      record->payload.size());
    record.reset();
    // Nothing to wait for when nothing went out.
    if (sent) ReadLocked(reply, timing().readTimeoutMs);
  }
  while (std::optional<CommandRecord> record = queue_.Pop()) {
    LogRecord(*record);  // freed unsent
  }
  LogMessage("McuCmdThread end\n");
}

}  // namespace vlm
