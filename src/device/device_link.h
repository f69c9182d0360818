#pragma once
// DeviceLink: the one object through which the program talks to the amplifier.
// It opens the HID interface through a transport, writes one 65-byte report per
// command, reads reply reports, rebuilds frames from them and hands each good
// frame to the decoder registered for its packet type. Decoders post events to
// receivers through the event sink.
//
// Threads: the GUI thread, worker threads and the command thread all use the
// link. Every write and the read that follows it form one exchange under one
// (recursive) lock, so exchanges never interleave and the parser state is only
// ever touched by one thread at a time. Decoders run under that lock on the
// reading thread.
//
// Replies carry no tag. Every good frame is decoded for what it says, on
// whatever thread reads it; a wait for a reply ends only on a frame that
// answers its own request (same packet type and command; a get needs a data
// frame), so a late reply to another command never ends it. The command
// thread gives up waiting for a queued command's reply as soon as another
// thread wants the line, or once the next queued command has waited
// timing().queuedReplyPatienceMs: a lost reply or a silent amplifier costs
// only the command it belongs to.
#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <unordered_map>
#include <vector>

#include "base/hid_transport.h"
#include "device/command_queue.h"
#include "device/event_sink.h"
#include "device/packet.h"
#include "device/receive_ring.h"
#include "device/upgrade_data.h"
#include "model/setting_target.h"

namespace vlm {

inline constexpr uint16_t kAmplifierVendorId = 0x0483;
inline constexpr uint16_t kAmplifierProductId = 0x5750;

// The link's upgrade state (`upgradeState`): while an image is loaded or the
// amplifier is in upgrade mode the connection paths leave the link alone.
enum UpgradeStateValue : int {
  UPG_IDLE = 0,
  UPG_FILE_LOADED = 16,
  UPG_MODE_ENTERED = 32,
  UPG_SEND_NEXT = 48,
  UPG_WAITING_BIN_DATA_ACK = 49,
  UPG_FINISH = 64,
  UPG_FAILED = 80,
};

class DeviceLink {
 public:
  // Called for every good frame of its packet type. `length` is the frame's
  // length byte: body[0 .. length - 2] are valid (command, op, payload);
  // `bodyCapacity` is the size of the buffer behind `body` (kFrameBodySize).
  using TypeDecoder = void (*)(DeviceLink& link, uint8_t length, const uint8_t* body,
                               size_t bodyCapacity);

  // Starts the command thread; the link starts disconnected with the queue
  // gate closed and the program's reply decoders registered (RegisterDecoders).
  explicit DeviceLink(std::unique_ptr<HidTransport> transport);
  // Stops the command thread (queued commands are freed unsent) and closes
  // the transport without telling the amplifier.
  ~DeviceLink();
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // ---- link-wide settings, given once by the controller after construction
  void SetLinkSettings(uint8_t pc_model_id, int outputChannelCount, int inputChannelCount,
                       bool trimHundredths, bool noiseToMainWindow);
  uint8_t pc_model_id() const { return pcModelId_.load(); }
  int outputChannelCount() const { return outputChannelCount_.load(); }
  int inputChannelCount() const { return inputChannelCount_.load(); }
  bool trimHundredths() const { return trimHundredths_.load(); }
  bool noiseToMainWindow() const { return noiseToMainWindow_.load(); }

  // ---- connection
  // 0 when connected; otherwise the HID library's init result, the failed
  // switch to non-blocking's result, or -1. A failure leaves the device closed.
  int OpenHIDDevice();
  // With `notifyDevice` the amplifier is first told that the PC leaves
  // (PC_Connect 0, sent without waiting). Does nothing when disconnected.
  // A read in progress on another thread is cut short.
  void CloseHIDDevice(bool notifyDevice);
  bool IsConnected() const { return connected_.load(); }
  // Reports the transport refused to write since the link was made (tells a
  // failed write from a missing reply after an exchange returned false).
  uint64_t WriteFailures() const { return writeFailures_.load(); }

  // ---- raw write and read
  // Frames and writes one report. False when disconnected, when the payload is
  // longer than kMaxPayload (refused, nothing written) or when the write fails.
  bool SendCtrlCommand(uint8_t type, uint8_t command, uint8_t op, const uint8_t* payload,
                       size_t length);
  // Reads at most one input report (into `buffer`, at most 64 bytes of it),
  // waiting up to `timeoutMs`, and parses its bytes. True when a report arrived.
  // Returns at once when disconnected or when the transport reports the
  // device gone; pauses between retries after other read errors.
  bool ReadHIDData(std::span<uint8_t> buffer, int timeoutMs);
  // The same into the link's own receive buffer.
  bool ReadHIDData(int timeoutMs);
  // The last report read into the link's own buffer. Hold LockExchanges()
  // while using it when other threads may read meanwhile.
  std::span<const uint8_t> LastReport() const;

  // ---- exchanges (what the command operations use)
  // Write, then read reports for up to `timeoutMs` under the exchange lock
  // until the reply to this command has arrived (a frame of the same packet
  // type and command; for a get, its data frame). Other frames that arrive
  // meanwhile are decoded all the same. timeoutMs < 0: no read at all
  // (returns whether the report was written). Returns whether the reply
  // arrived. A failed write skips the read.
  bool Exchange(uint8_t type, uint8_t command, uint8_t op, std::span<const uint8_t> payload,
                int timeoutMs);
  // Mode Q: immediately -> Exchange with timing().readTimeoutMs and return its
  // result; otherwise queue the command when the queue gate is open (true) or
  // drop it when closed (false). `target` is the setting the command changes
  // (none: the queue treats the command as a barrier). A queued value for a
  // target (see queue_targets.h) replaces an unsent value of the same target
  // in place, unless something queued after that one concerns the same
  // channel; then it is appended. Safe to call from any thread; never waits
  // on the wire.
  bool Issue(uint8_t type, uint8_t command, uint8_t op, std::vector<uint8_t> payload,
             bool immediately, const SettingTarget& target = {});
  // Holds the exchange lock across several exchanges (e.g. an upgrade step).
  // The command thread gives up a reply wait in progress to let the caller in.
  std::unique_lock<std::recursive_mutex> LockExchanges();

  // Counters since the link was made (for diagnostics and benchmarks).
  // Queued values that replaced an unsent one.
  uint64_t MergedValues() const { return mergedValues_.load(); }
  // Reply waits of queued commands given up early for another command.
  uint64_t RepliesGivenUp() const { return repliesGivenUp_.load(); }

  // ---- queue gate and command thread
  void SetQueueGate(bool open) { queueGate_.store(open); }
  bool QueueGateOpen() const { return queueGate_.load(); }
  bool ThreadRunning() const { return threadRunning_.load(); }

  // ---- receive ring and parser (callers must hold the exchange lock when
  // other threads may be reading; ReadHIDData does so itself)
  // Appends bytes to the ring; returns how many fitted.
  size_t PushReceived(std::span<const uint8_t> bytes);
  // Runs the parser over one byte from the ring; false when the ring is empty
  // or the link is disconnected.
  bool FeedOneByte();
  // Feeds the parser until the ring is empty or the link is disconnected.
  void DrainReceiveRing();
  // Parses one byte directly, dispatching a completed frame.
  void packet_process(uint8_t byte);
  const ParserState& Parser() const { return parser_; }

  // ---- reply decoders, one per packet type (1, 2, 3, 7). False for other types.
  bool SetTypeDecoder(uint8_t type, TypeDecoder decoder);

  // ---- receivers ("window handles") and posting
  // The sink must outlive its registration; clearing it waits for posts in flight.
  void SetEventSink(EventSink* sink);
  void SetReceiver(Receiver receiver, bool set);
  bool ReceiverSet(Receiver receiver) const;
  // Posts to `receiver` when it is set and a sink is registered; otherwise the
  // record is freed and false returned.
  bool PostEvent(Receiver receiver, int message, intptr_t wparam, intptr_t lparam,
                 std::unique_ptr<EventRecord> record);

  // ---- handshake results kept for the MCU decoder
  int DeviceModel() const { return deviceModel_.load(); }  // -1 until a handshake told it
  void SetDeviceModel(int model) { deviceModel_.store(model); }
  bool HandshakeAccepted() const { return handshakeAccepted_.load(); }
  void SetHandshakeAccepted(bool accepted) { handshakeAccepted_.store(accepted); }
  uint8_t BootloaderVersion() const { return bootloaderVersion_.load(); }
  void SetBootloaderVersion(uint8_t version) { bootloaderVersion_.store(version); }

  // ---- upgrade state (UpgradeStateValue); 0 at construction
  int UpgradeState() const { return upgradeState_.load(); }
  void SetUpgradeState(int state) { upgradeState_.store(state); }
  // True while an upgrade holds the link (an image loaded or upgrade mode entered).
  bool UpgradeHoldsLink() const {
    const int s = upgradeState_.load();
    return s == UPG_FILE_LOADED || s == UPG_MODE_ENTERED;
  }

  // The rest of the upgrade's state (image bodies, counters, step flag); see
  // upgrade_data.h for who may touch it when.
  UpgradeData& Upgrade() { return upgrade_; }
  const UpgradeData& Upgrade() const { return upgrade_; }
  // Empties the receive ring (its read and write positions back to 0).
  void ClearReceiveRing();

  HidTransport& Transport() { return *transport_; }

 private:
  using StopWaiting = std::function<bool()>;

  // Counts the caller as wanting the line while it waits for the exchange
  // lock, so that the command thread gives up a reply wait in progress.
  class LineRequest;

  void McuCmdThread();
  // Sends one queued record and waits for its reply as long as nothing else
  // wants the line; `next` receives the next queued record once popped.
  // Returns when the write ended, or nothing when it failed.
  std::optional<std::chrono::steady_clock::time_point> SendQueued(CommandRecord& record,
                                                                 std::optional<CommandRecord>& next);
  bool QueueRecord(CommandRecord record, const SettingTarget& target);
  void DispatchFrame();
  // `stop`, when given, is asked between read slices whether to give up.
  bool ReadLocked(std::span<uint8_t> buffer, int timeoutMs, const StopWaiting* stop = nullptr);
  // Reads under the exchange lock until the reply to (type, command, op) has
  // arrived, the time-out has run out, the link is gone or `giveUp` says so.
  bool AwaitReplyLocked(uint8_t type, uint8_t command, uint8_t op, int timeoutMs,
                        const StopWaiting* giveUp);

  std::unique_ptr<HidTransport> transport_;
  std::recursive_mutex exchangeMutex_;
  std::atomic<int> lineWanted_{0};  // threads waiting for the exchange lock

  std::atomic<uint8_t> pcModelId_{0};
  std::atomic<int> outputChannelCount_{0};
  std::atomic<int> inputChannelCount_{0};
  std::atomic<bool> trimHundredths_{false};
  std::atomic<bool> noiseToMainWindow_{false};

  std::atomic<bool> connected_{false};   // the handle is open
  int handleNumber_ = 0;                 // counts opens; names the handle in the log
  std::atomic<bool> writing_{false};     // WRITE_ROPRT
  std::atomic<uint64_t> writeFailures_{0};
  std::atomic<bool> reading_{false};
  std::atomic<int> abortReads_{0};       // > 0 while a close or shutdown wants reads to end

  // Parser and ring: under exchangeMutex_.
  ReceiveRing ring_;
  ParserState parser_;
  std::array<uint8_t, kOutputReportSize> receiveBuffer_{};
  size_t lastReportSize_ = 0;
  // The reply the reading thread waits for; DispatchFrame marks it answered.
  struct AwaitedReply {
    bool active = false;
    uint8_t type = 0;
    uint8_t command = 0;
    bool wantData = false;
    bool answered = false;
  } awaited_;

  std::array<std::atomic<TypeDecoder>, 256> decoders_{};

  std::mutex sinkMutex_;
  EventSink* sink_ = nullptr;
  std::array<std::atomic<bool>, kReceiverCount> receivers_{};

  std::atomic<int> deviceModel_{-1};
  std::atomic<bool> handshakeAccepted_{false};
  std::atomic<uint8_t> bootloaderVersion_{0};
  std::atomic<int> upgradeState_{UPG_IDLE};
  UpgradeData upgrade_;

  std::atomic<bool> queueGate_{false};
  std::mutex pushMutex_;  // keeps the queue single-producer whoever issues
  CommandQueue queue_;
  // Under pushMutex_: the unsent value of each mergeable target with its place
  // in the issue order, and per channel bit the place of the last record that
  // concerned it.
  struct UnsentValue {
    std::shared_ptr<MergeSlot> slot;
    uint64_t place = 0;
    uint64_t connection = 0;
  };
  std::unordered_map<uint64_t, UnsentValue> unsent_;
  std::array<uint64_t, 32> lastConcern_{};
  std::atomic<uint64_t> issued_{0};      // written under pushMutex_
  // Counts opens and closes: a record issued for one connection is never
  // written to the next.
  std::atomic<uint64_t> connection_{0};
  // Records issued up to here go out before a thread that asked for the line
  // gets it, so that the amplifier sees the user's edits in the order made.
  std::atomic<uint64_t> drainUpTo_{0};
  // The place of the last record the command thread wrote or dropped.
  std::atomic<uint64_t> handledUpTo_{0};
  std::atomic<uint64_t> mergedValues_{0};
  std::atomic<uint64_t> repliesGivenUp_{0};
  std::atomic<bool> threadRunning_{false};
  std::thread thread_;
};

}  // namespace vlm
