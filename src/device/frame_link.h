#pragma once
// FrameLink: the wire to the amplifier. It opens and closes the HID interface
// through a transport, frames and writes one 65-byte report per command, reads
// reply reports, rebuilds frames from them (receive ring and parser) and hands
// each good frame to the decoder registered for its packet type.
//
// Threads: any thread may call it, and every write and the reads that follow
// it form one exchange under one recursive lock (the exchange lock), under
// which alone the ring, the parser, the awaited reply and the decoders run.
//
// Replies carry no tag. Every good frame is decoded for what it says, on
// whatever thread reads it; a wait for a reply ends only on a frame that
// answers its own request (same packet type and command; a get needs a data
// frame), so a late reply to another command never ends it.
//
// A thread that asks for the exchange lock counts itself as wanting the line
// while it waits (LineWanted), and the line's queue (LineQueue, the command
// writer) is told first, so that what was issued before the request reaches
// the amplifier before it.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "base/hid_transport.h"
#include "device/packet.h"
#include "device/receive_ring.h"

namespace vlm {

class DeviceLink;

inline constexpr uint16_t kAmplifierVendorId = 0x0483;
inline constexpr uint16_t kAmplifierProductId = 0x5750;

// The queue of writes that a thread asking for the line lets go first.
class LineQueue {
 public:
  virtual ~LineQueue() = default;
  // A thread asks for the line: what was issued up to now goes out before it.
  virtual void LineRequested() = 0;
  // Waits (bounded) until that has been written; the exchange lock is not held.
  virtual void AwaitEarlierWrites() = 0;
};

class FrameLink {
 public:
  // Called for every good frame of its packet type with the link that owns
  // this frame link. `length` is the frame's length byte: body[0 .. length - 2]
  // are valid (command, op, payload); `bodyCapacity` is the size of the buffer
  // behind `body` (kFrameBodySize).
  using TypeDecoder = void (*)(DeviceLink& link, uint8_t length, const uint8_t* body,
                               size_t bodyCapacity);
  // Asked between read slices whether to give a wait up.
  using StopWaiting = std::function<bool()>;

  // Starts disconnected with no decoders. `owner` is handed to the decoders
  // (may be null when none are registered).
  FrameLink(std::unique_ptr<HidTransport> transport, DeviceLink* owner);
  // Closes the transport without telling the amplifier.
  ~FrameLink();
  FrameLink(const FrameLink&) = delete;
  FrameLink& operator=(const FrameLink&) = delete;

  // The queue told about line requests (none: requests wait for nothing but
  // the lock). It must stay alive until it is replaced or the link is gone.
  void SetLineQueue(LineQueue* queue) { lineQueue_.store(queue); }

  // ---- connection
  // 0 when connected; otherwise the HID library's init result, the failed
  // switch to non-blocking's result, or -1. A failure leaves the device closed.
  int OpenHIDDevice();
  // With `notifyDevice` the amplifier is first told that the PC leaves
  // (PC_Connect 0, sent without waiting). Does nothing when disconnected.
  // A read in progress on another thread is cut short.
  void CloseHIDDevice(bool notifyDevice);
  bool IsConnected() const { return connected_.load(); }
  // The serial number string the device gave when the link was last opened
  // (UTF-8; empty when it could not be read). Any thread.
  std::string SerialNumber() const;
  // Counts opens and closes: a record issued for one connection is never
  // written to the next.
  uint64_t Connection() const { return connection_.load(); }
  // Reports the transport refused to write since the link was made (tells a
  // failed write from a missing reply after an exchange returned false).
  uint64_t WriteFailures() const { return writeFailures_.load(); }
  // For shutdown: while the returned guard lives, every read gives up at once.
  class ReadsCut;
  // Closes the transport without a word to the amplifier or the log.
  void CloseQuietly();

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

  // ---- exchanges
  // Write, then read reports for up to `timeoutMs` under the exchange lock
  // until the reply to this command has arrived (a frame of the same packet
  // type and command; for a get, its data frame). Other frames that arrive
  // meanwhile are decoded all the same. timeoutMs < 0: no read at all
  // (returns whether the report was written). Returns whether the reply
  // arrived. A failed write skips the read.
  bool Exchange(uint8_t type, uint8_t command, uint8_t op, std::span<const uint8_t> payload,
                int timeoutMs);
  // Holds the exchange lock across several exchanges (e.g. an upgrade step),
  // after the line's queue has written what was issued before the request.
  std::unique_lock<std::recursive_mutex> LockExchanges();
  // The exchange lock without a line request: for the line's queue itself,
  // which is what such requests wait for.
  std::unique_lock<std::recursive_mutex> LockForQueue();
  // Threads waiting for the exchange lock right now.
  int LineWanted() const { return lineWanted_.load(); }
  // Caller holds the exchange lock. Reads until the reply to (type, command,
  // op) has arrived, the time-out has run out, the link is gone or `giveUp`
  // (when given) says so. Returns whether the reply arrived.
  bool AwaitReplyLocked(uint8_t type, uint8_t command, uint8_t op, int timeoutMs,
                        const StopWaiting* giveUp);

  // ---- receive ring and parser (each takes the exchange lock itself)
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
  // Empties the receive ring (its read and write positions back to 0).
  void ClearReceiveRing();

  // ---- reply decoders, one per packet type (1, 2, 3, 7). False for other types.
  bool SetTypeDecoder(uint8_t type, TypeDecoder decoder);

  HidTransport& Transport() { return *transport_; }

 private:
  // Counts the caller as wanting the line while it waits for the exchange lock.
  class LineRequest;

  void DispatchFrame();
  // `stop`, when given, is asked between read slices whether to give up.
  bool ReadLocked(std::span<uint8_t> buffer, int timeoutMs, const StopWaiting* stop = nullptr);

  std::unique_ptr<HidTransport> transport_;
  DeviceLink* const owner_;
  std::atomic<LineQueue*> lineQueue_{nullptr};
  std::recursive_mutex exchangeMutex_;
  std::atomic<int> lineWanted_{0};  // threads waiting for the exchange lock

  std::atomic<bool> connected_{false};   // the handle is open
  mutable std::mutex serialMutex_;
  std::string serialNumber_;             // under serialMutex_
  int handleNumber_ = 0;                 // counts opens; names the handle in the log
  std::atomic<uint64_t> connection_{0};  // counts opens and closes
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
};

class FrameLink::ReadsCut {
 public:
  explicit ReadsCut(FrameLink& link) : link_(link) { link_.abortReads_.fetch_add(1); }
  ~ReadsCut() { link_.abortReads_.fetch_sub(1); }
  ReadsCut(const ReadsCut&) = delete;
  ReadsCut& operator=(const ReadsCut&) = delete;

 private:
  FrameLink& link_;
};

}  // namespace vlm
