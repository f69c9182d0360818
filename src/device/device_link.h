#pragma once
// DeviceLink: the one object through which the program talks to the
// amplifier. It owns the parts of the link, one role each, and hands them out:
//   - FrameLink (Frames()): transport, open and close, one exchange at a time,
//     receive ring, parser and the decoder table;
//   - CommandWriter (Writer()): the queue gate, the merging queue, its pacing
//     and the command thread;
//   - EventPost: the receivers and the sink the decoders post to;
//   - HandshakeResults: what the amplifier said about itself;
//   - LinkUpgrade (src/upgrade/): the state of a firmware upgrade;
// and the link-wide settings the builders and decoders read. The calls most
// callers need are forwarded here, so that a command operation or a decoder
// only ever needs a DeviceLink&.
//
// Threads: every part states its own rule and the link adds none: any thread
// may call it, from construction (which starts the command thread) to
// destruction (which stops it before closing the transport).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "base/hid_transport.h"
#include "device/command_writer.h"
#include "device/event_post.h"
#include "device/frame_link.h"
#include "device/handshake_results.h"
#include "device/packet.h"
#include "upgrade/upgrade_state.h"

namespace vlm {

class DeviceLink {
 public:
  using TypeDecoder = FrameLink::TypeDecoder;

  // Starts the command thread; the link starts disconnected with the queue
  // gate closed and the program's reply decoders registered (RegisterDecoders).
  explicit DeviceLink(std::unique_ptr<HidTransport> transport);
  // Stops the command thread (queued commands are freed unsent) and closes
  // the transport without telling the amplifier.
  ~DeviceLink();
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // ---- the parts
  FrameLink& Frames() { return frames_; }
  const FrameLink& Frames() const { return frames_; }
  CommandWriter& Writer() { return writer_; }
  const CommandWriter& Writer() const { return writer_; }

  // ---- link-wide settings, given once by the controller after construction
  void SetLinkSettings(uint8_t pc_model_id, int outputChannelCount, int inputChannelCount,
                       bool trimHundredths, bool noiseToMainWindow);
  uint8_t pc_model_id() const { return pcModelId_.load(); }
  int outputChannelCount() const { return outputChannelCount_.load(); }
  int inputChannelCount() const { return inputChannelCount_.load(); }
  bool trimHundredths() const { return trimHundredths_.load(); }
  bool noiseToMainWindow() const { return noiseToMainWindow_.load(); }

  // ---- connection and exchanges (FrameLink)
  int OpenHIDDevice() { return frames_.OpenHIDDevice(); }
  void CloseHIDDevice(bool notifyDevice) { frames_.CloseHIDDevice(notifyDevice); }
  bool IsConnected() const { return frames_.IsConnected(); }
  std::string SerialNumber() const { return frames_.SerialNumber(); }
  bool Exchange(uint8_t type, uint8_t command, uint8_t op, std::span<const uint8_t> payload,
                int timeoutMs) {
    return frames_.Exchange(type, command, op, payload, timeoutMs);
  }
  std::unique_lock<std::recursive_mutex> LockExchanges() { return frames_.LockExchanges(); }
  bool SetTypeDecoder(uint8_t type, TypeDecoder decoder) { return frames_.SetTypeDecoder(type, decoder); }
  HidTransport& Transport() { return frames_.Transport(); }

  // ---- queued commands (CommandWriter)
  bool Issue(uint8_t type, uint8_t command, uint8_t op, std::vector<uint8_t> payload,
             bool immediately, const SettingTarget& target = {}) {
    return writer_.Issue(type, command, op, std::move(payload), immediately, target);
  }
  void SetQueueGate(bool open) { writer_.SetQueueGate(open); }
  bool QueueGateOpen() const { return writer_.QueueGateOpen(); }

  // ---- receivers ("window handles") and posting (EventPost)
  void SetEventSink(EventSink* sink) { events_.SetEventSink(sink); }
  void SetReceiver(Receiver receiver, bool set) { events_.SetReceiver(receiver, set); }
  bool ReceiverSet(Receiver receiver) const { return events_.ReceiverSet(receiver); }
  bool PostEvent(Receiver receiver, int message, intptr_t wparam, intptr_t lparam,
                 std::unique_ptr<EventRecord> record) {
    return events_.PostEvent(receiver, message, wparam, lparam, std::move(record));
  }

  // ---- handshake results, stored by the MCU decoder
  int DeviceModel() const { return handshake_.deviceModel.load(); }  // -1 until a handshake told it
  void SetDeviceModel(int model) { handshake_.deviceModel.store(model); }
  bool HandshakeAccepted() const { return handshake_.accepted.load(); }
  void SetHandshakeAccepted(bool accepted) { handshake_.accepted.store(accepted); }
  uint8_t BootloaderVersion() const { return handshake_.bootloaderVersion.load(); }
  void SetBootloaderVersion(uint8_t version) { handshake_.bootloaderVersion.store(version); }

  // ---- upgrade state (UpgradeStateValue; UPG_IDLE at construction)
  int UpgradeState() const { return upgrade_.State(); }
  void SetUpgradeState(int state) { upgrade_.SetState(state); }
  bool UpgradeHoldsLink() const { return upgrade_.HoldsLink(); }
  UpgradeData& Upgrade() { return upgrade_.Data(); }
  const UpgradeData& Upgrade() const { return upgrade_.Data(); }

 private:
  std::atomic<uint8_t> pcModelId_{0};
  std::atomic<int> outputChannelCount_{0};
  std::atomic<int> inputChannelCount_{0};
  std::atomic<bool> trimHundredths_{false};
  std::atomic<bool> noiseToMainWindow_{false};

  EventPost events_;
  HandshakeResults handshake_;
  LinkUpgrade upgrade_;
  FrameLink frames_;
  // Last, so that its thread starts once everything it may reach is made.
  CommandWriter writer_;
};

}  // namespace vlm
