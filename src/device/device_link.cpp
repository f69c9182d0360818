#include "device/device_link.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "base/log.h"
#include "base/timing.h"
#include "device/decode_register.h"
#include "device/hidapi_transport.h"  // WideToUtf8
#include "device/queue_targets.h"

namespace vlm {

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

long TickMs() {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               Clock::now().time_since_epoch())
                               .count());
}

// "%02x " for every byte, as one log line.
std::string HexLine(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 3 + 1);
  char cell[4];
  for (uint8_t b : bytes) {
    std::snprintf(cell, sizeof cell, "%02x ", b);
    text += cell;
  }
  return text;
}

constexpr size_t kStringChars = 255;

}  // namespace

class DeviceLink::LineRequest {
 public:
  explicit LineRequest(DeviceLink& link) : link_(link) {
    link_.drainUpTo_.store(link_.issued_.load());
    link_.lineWanted_.fetch_add(1);
  }
  ~LineRequest() { Granted(); }
  // The lock is held: the command thread may take the line again.
  void Granted() {
    if (!granted_) link_.lineWanted_.fetch_sub(1);
    granted_ = true;
  }
  LineRequest(const LineRequest&) = delete;
  LineRequest& operator=(const LineRequest&) = delete;

 private:
  DeviceLink& link_;
  bool granted_ = false;
};

std::unique_lock<std::recursive_mutex> DeviceLink::LockExchanges() {
  LineRequest request(*this);
  // The edits queued before this request reach the amplifier first (the
  // command thread writes them without pacing and without waiting out their
  // replies). Bounded, so that a caller that already holds the line, and so
  // keeps the command thread out, only loses that much.
  const uint64_t before = drainUpTo_.load();
  const Clock::time_point start = Clock::now();
  while (handledUpTo_.load() < before && threadRunning_.load() && connected_.load() &&
         ElapsedMs(start) < timing().queueDrainWaitMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::unique_lock<std::recursive_mutex> lock(exchangeMutex_);
  request.Granted();
  return lock;
}

DeviceLink::DeviceLink(std::unique_ptr<HidTransport> transport)
    : transport_(std::move(transport)), queue_(256) {
  for (auto& decoder : decoders_) decoder.store(nullptr);
  for (auto& receiver : receivers_) receiver.store(false);
  // Whoever makes a link gets one that decodes replies; tests may replace entries.
  RegisterDecoders(*this);
  // Set before the thread starts: were the thread to set it, a link destroyed
  // at once could clear it first and then wait forever for the thread.
  threadRunning_.store(true);
  thread_ = std::thread(&DeviceLink::McuCmdThread, this);
}

DeviceLink::~DeviceLink() {
  threadRunning_.store(false);
  abortReads_.fetch_add(1);
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::recursive_mutex> lock(exchangeMutex_);
  if (connected_.load()) {
    transport_->Close();
    connected_.store(false);
  }
  abortReads_.fetch_sub(1);
}

void DeviceLink::SetLinkSettings(uint8_t pc_model_id, int outputChannelCount,
                                 int inputChannelCount, bool trimHundredths,
                                 bool noiseToMainWindow) {
  pcModelId_.store(pc_model_id);
  outputChannelCount_.store(outputChannelCount);
  inputChannelCount_.store(inputChannelCount);
  trimHundredths_.store(trimHundredths);
  noiseToMainWindow_.store(noiseToMainWindow);
}

int DeviceLink::OpenHIDDevice() {
  if (connected_.load()) return 0;  // opening again would lose the open handle
  auto lock = LockExchanges();
  if (connected_.load()) return 0;

  const int init = transport_->Init();
  if (init != 0) return init;
  if (!transport_->Open(kAmplifierVendorId, kAmplifierProductId)) {
    LogMessage("unable to open device\n");
    return -1;
  }

  // The strings are logged as UTF-8 ourselves: "%ls" depends on the C locale
  // and drops the whole line for any character outside it.
  wchar_t text[kStringChars];
  int failures = 0;
  auto read = [&](auto&& call, const char* failText) {
    text[0] = L'\0';
    if (call() < 0) {
      ++failures;
      LogMessage("%s", failText);
      text[0] = L'\0';
    }
    text[kStringChars - 1] = L'\0';
  };
  read([&] { return transport_->GetManufacturerString(text, kStringChars); },
       "Unable to read manufacturer string\n");
  LogMessage("Manufacturer String: %s\n", WideToUtf8(text).c_str());
  read([&] { return transport_->GetProductString(text, kStringChars); },
       "Unable to read product string\n");
  LogMessage("Product String: %s\n", WideToUtf8(text).c_str());
  read([&] { return transport_->GetSerialNumberString(text, kStringChars); },
       "Unable to read serial number string\n");
  LogMessage("Serial Number String: (%d) %s", static_cast<int>(text[0]),
             WideToUtf8(text).c_str());
  read([&] { return transport_->GetIndexedString(1, text, kStringChars); },
       "Unable to read indexed string 1\n");
  LogMessage("Indexed String 1: %s\n", WideToUtf8(text).c_str());

  if (failures >= 3) {
    LogMessage("read HID info error, unable open device correctly\n");
    transport_->Close();
    return -1;
  }

  // Reads poll: a device that cannot be switched to non-blocking is closed
  // again, so that the link is never half open.
  if (const int nonblocking = transport_->SetNonblocking(1); nonblocking != 0) {
    LogMessage("set non-blocking failed, unable open device correctly\n");
    transport_->Close();
    return nonblocking;
  }

  // A new connection starts with a clean receive path: half a frame left over
  // from the last one would swallow the first reply of this one.
  ring_.Clear();
  parser_ = ParserState{};
  ++handleNumber_;
  connection_.fetch_add(1);
  connected_.store(true);
  return 0;
}

void DeviceLink::CloseHIDDevice(bool notifyDevice) {
  // Ask a reader on another thread to give up its wait, then take the line.
  abortReads_.fetch_add(1);
  std::lock_guard<std::recursive_mutex> lock(exchangeMutex_);
  abortReads_.fetch_sub(1);
  if (!connected_.load()) return;
  if (notifyDevice) {
    // PC_Connect 0: the PC leaves; no reply is awaited.
    LogMessage("PC_Connect = %d\n", 0);
    const uint8_t state = 0;
    SendCtrlCommand(kPacketMcu, 0x1F, kOpSet, &state, 1);
  }
  transport_->Close();
  connection_.fetch_add(1);
  connected_.store(false);
  writing_.store(false);
  LogMessage("CloseHIDDevice!\n");
}

bool DeviceLink::SendCtrlCommand(uint8_t type, uint8_t command, uint8_t op,
                                 const uint8_t* payload, size_t length) {
  if (!connected_.load()) {
    LogMessage("mHidHandle is NULL, can't send cmd\n");
    return false;
  }
  OutputReport report;
  if (length > kMaxPayload || (length > 0 && payload == nullptr) ||
      !BuildOutputReport(type, command, op, std::span<const uint8_t>(payload, length), report)) {
    LogMessage("SendCtrlCommand: payload of %zu bytes refused, at most %zu fit a report\n", length,
               kMaxPayload);
    return false;
  }

  std::lock_guard<std::recursive_mutex> lock(exchangeMutex_);
  if (!connected_.load()) {  // closed while we waited for the line
    LogMessage("mHidHandle is NULL, can't send cmd\n");
    return false;
  }
  LogTimestamp();
  LogMessage("SendCtrlCommand\n");
  LogMessage("begain to write data to devices:\n");
  LogMessage("%s\n", HexLine(report).c_str());

  // WRITE_ROPRT: the exchange lock already keeps writers apart; the flag is an
  // atomic test-and-set all the same, so a write in progress is visible outside.
  while (writing_.exchange(true)) std::this_thread::yield();
  LogMessage("set WRITE_ROPRT = TRUE\n");
  const int written = transport_->Write(report.data(), report.size());
  if (written < 0) {
    LogMessage("Write HidDeviceObject = %d errot = %s\n", handleNumber_,
               transport_->Error().c_str());
    writeFailures_.fetch_add(1);
    writing_.store(false);
    return false;
  }
  LogMessage("write data ok! HidDeviceObject = %d\n", handleNumber_);
  LogTimestamp();
  writing_.store(false);
  return true;
}

bool DeviceLink::ReadHIDData(std::span<uint8_t> buffer, int timeoutMs) {
  std::lock_guard<std::recursive_mutex> lock(exchangeMutex_);
  return ReadLocked(buffer, timeoutMs);
}

bool DeviceLink::ReadHIDData(int timeoutMs) {
  std::lock_guard<std::recursive_mutex> lock(exchangeMutex_);
  lastReportSize_ = 0;
  const bool got = ReadLocked(std::span<uint8_t>(receiveBuffer_.data(), kInputReportSize),
                              timeoutMs);
  return got;
}

std::span<const uint8_t> DeviceLink::LastReport() const {
  return std::span<const uint8_t>(receiveBuffer_.data(), lastReportSize_);
}

bool DeviceLink::ReadLocked(std::span<uint8_t> buffer, int timeoutMs, const StopWaiting* stop) {
  const Clock::time_point start = Clock::now();
  LogMessage("ReadHIDData timestart = %ld\n", TickMs());
  reading_.store(true);
  if (!connected_.load()) {
    LogMessage("mHidHandle is NULL\n");
    reading_.store(false);
    return false;
  }

  const size_t capacity = std::min(buffer.size(), kInputReportSize);
  const int budget = std::max(timeoutMs, 0);
  const int slice = std::max(timing().readPollSliceMs, 1);
  int result = 0;
  for (;;) {
    if (abortReads_.load() > 0 || (stop != nullptr && (*stop)())) {
      result = 0;
      break;
    }
    const long left = budget - ElapsedMs(start);
    const int wait = static_cast<int>(std::clamp<long>(left, 0, slice));
    result = transport_->ReadTimeout(buffer.data(), capacity, wait);
    if (result > 0) break;
    if (ElapsedMs(start) >= budget) break;
    if (result < 0) {
      // An unplugged device answers every read with an error at once; retrying
      // without a pause would spin a core for the whole time-out.
      if (transport_->DeviceGone() || !connected_.load()) break;
      const long remaining = budget - ElapsedMs(start);
      const long pause = std::min<long>(std::max(timing().readErrorPauseMs, 1), remaining);
      if (pause > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
  }
  LogMessage("ReadHIDData done timeend-timestart = %ld\n", ElapsedMs(start));
  LogMessage("ReadHIDData NumberOfBytesRead = %d\n", result);
  if (result <= 0) {
    reading_.store(false);
    return false;
  }

  const size_t count = std::min(static_cast<size_t>(result), capacity);
  if (buffer.data() == receiveBuffer_.data()) lastReportSize_ = count;
  LogMessage("read data: %s\n", HexLine(buffer.first(count)).c_str());
  for (size_t i = 0; i < count && connected_.load(); ++i) {
    if (!ring_.Push(buffer[i])) break;
  }
  DrainReceiveRing();
  reading_.store(false);
  return true;
}

bool DeviceLink::Exchange(uint8_t type, uint8_t command, uint8_t op,
                          std::span<const uint8_t> payload, int timeoutMs) {
  auto lock = LockExchanges();
  if (!SendCtrlCommand(type, command, op, payload.data(), payload.size())) return false;
  if (timeoutMs < 0) return true;
  return AwaitReplyLocked(type, command, op, timeoutMs, nullptr);
}

bool DeviceLink::AwaitReplyLocked(uint8_t type, uint8_t command, uint8_t op, int timeoutMs,
                                  const StopWaiting* giveUp) {
  lastReportSize_ = 0;
  awaited_ = AwaitedReply{true, type, command, op == kOpGet, false};
  const Clock::time_point start = Clock::now();
  const auto buffer = std::span<uint8_t>(receiveBuffer_.data(), kInputReportSize);
  bool first = true;
  for (;;) {
    const long left = std::max<long>(timeoutMs - ElapsedMs(start), 0);
    if (left == 0 && !first) break;
    // A report that holds no answer (another command's late reply, half a
    // frame) does not end the wait: the rest of the time is read on.
    const bool got = ReadLocked(buffer, static_cast<int>(left), giveUp);
    first = false;
    if (awaited_.answered || !connected_.load() || abortReads_.load() > 0) break;
    if (!got && (transport_->DeviceGone() || (giveUp != nullptr && (*giveUp)()))) break;
  }
  awaited_.active = false;
  return awaited_.answered;
}

bool DeviceLink::Issue(uint8_t type, uint8_t command, uint8_t op, std::vector<uint8_t> payload,
                       bool immediately, const SettingTarget& target) {
  if (immediately) return Exchange(type, command, op, payload, timing().readTimeoutMs);
  if (payload.size() > kMaxPayload) {
    LogMessage("SendCtrlCommand: payload of %zu bytes refused, at most %zu fit a report\n",
               payload.size(), kMaxPayload);
    return false;
  }
  if (!queueGate_.load()) return false;  // dropped; the payload goes with the vector
  return QueueRecord(CommandRecord{type, command, op, std::move(payload), nullptr, 0}, target);
}

bool DeviceLink::QueueRecord(CommandRecord record, const SettingTarget& setting) {
  // Only sets change a setting; anything else queued is a barrier.
  const QueueTarget target = record.op == kOpSet ? QueueTargetOf(setting) : QueueTarget{};
  std::lock_guard<std::mutex> lock(pushMutex_);
  const uint64_t place = issued_.load() + 1;  // taken only when the record is queued
  record.place = place;
  record.connection = connection_.load();
  const auto concernedAfter = [&](uint64_t since) {
    for (size_t bit = 0; bit < lastConcern_.size(); ++bit) {
      if ((target.concerns >> bit & 1u) != 0 && lastConcern_[bit] > since) return true;
    }
    return false;
  };
  if (target.mergeable) {
    auto found = unsent_.find(target.key);
    if (found != unsent_.end() && found->second.connection == record.connection &&
        !concernedAfter(found->second.place)) {
      MergeSlot& slot = *found->second.slot;
      std::lock_guard<std::mutex> slotLock(slot.mutex);
      if (!slot.taken) {
        slot.payload = std::move(record.payload);
        mergedValues_.fetch_add(1);
        return true;
      }
    }
    // Taken slots are of no use any more; keep the index small.
    if (unsent_.size() > 512) {
      std::erase_if(unsent_, [](auto& entry) {
        std::lock_guard<std::mutex> slotLock(entry.second.slot->mutex);
        return entry.second.slot->taken;
      });
    }
    record.slot = std::make_shared<MergeSlot>();
    record.slot->payload = std::move(record.payload);
    record.payload.clear();
    record.targetKey = target.key;
    unsent_[target.key] = UnsentValue{record.slot, place, record.connection};
  }
  for (size_t bit = 0; bit < lastConcern_.size(); ++bit) {
    if ((target.concerns >> bit & 1u) != 0) lastConcern_[bit] = place;
  }
  if (!queue_.Push(std::move(record))) return false;
  issued_.store(place);
  return true;
}

size_t DeviceLink::PushReceived(std::span<const uint8_t> bytes) {
  std::lock_guard<std::recursive_mutex> lock(exchangeMutex_);
  size_t pushed = 0;
  for (uint8_t b : bytes) {
    if (!ring_.Push(b)) break;
    ++pushed;
  }
  return pushed;
}

void DeviceLink::ClearReceiveRing() {
  std::lock_guard<std::recursive_mutex> lock(exchangeMutex_);
  ring_.Clear();
}

bool DeviceLink::FeedOneByte() {
  std::lock_guard<std::recursive_mutex> lock(exchangeMutex_);
  if (!connected_.load()) return false;
  uint8_t byte = 0;
  if (!ring_.Pop(byte)) return false;
  packet_process(byte);
  return true;
}

void DeviceLink::DrainReceiveRing() {
  std::lock_guard<std::recursive_mutex> lock(exchangeMutex_);
  while (FeedOneByte()) {
  }
}

void DeviceLink::packet_process(uint8_t byte) {
  std::lock_guard<std::recursive_mutex> lock(exchangeMutex_);
  if (ParseFrameByte(parser_, byte)) DispatchFrame();
}

void DeviceLink::DispatchFrame() {
  LogMessage("packet_process: packet_type(0x%08x)\n", static_cast<unsigned>(parser_.packet_type));
  // body[0] is the command and body[1] the op of every reply.
  if (awaited_.active && parser_.packet_length >= 3 && parser_.packet_type == awaited_.type &&
      parser_.body[0] == awaited_.command && (!awaited_.wantData || parser_.body[1] == kOpData)) {
    awaited_.answered = true;
  }
  const TypeDecoder decoder = decoders_[parser_.packet_type].load();
  if (decoder != nullptr) {
    decoder(*this, parser_.packet_length, parser_.body.data(), parser_.body.size());
  }
}

bool DeviceLink::SetTypeDecoder(uint8_t type, TypeDecoder decoder) {
  if (type != kPacketDsp && type != kPacketScene && type != kPacketMcu && type != kPacketKtv) {
    return false;
  }
  decoders_[type].store(decoder);
  return true;
}

void DeviceLink::SetEventSink(EventSink* sink) {
  std::lock_guard<std::mutex> lock(sinkMutex_);
  sink_ = sink;
}

void DeviceLink::SetReceiver(Receiver receiver, bool set) {
  const int index = static_cast<int>(receiver);
  if (index < 0 || index >= kReceiverCount) return;
  receivers_[index].store(set);
}

bool DeviceLink::ReceiverSet(Receiver receiver) const {
  const int index = static_cast<int>(receiver);
  if (index < 0 || index >= kReceiverCount) return false;
  return receivers_[index].load();
}

bool DeviceLink::PostEvent(Receiver receiver, int message, intptr_t wparam, intptr_t lparam,
                           std::unique_ptr<EventRecord> record) {
  if (!ReceiverSet(receiver)) return false;  // nobody there: the record is freed here
  std::lock_guard<std::mutex> lock(sinkMutex_);
  if (sink_ == nullptr) return false;
  return sink_->Post(receiver, message, wparam, lparam, std::move(record));
}

}  // namespace vlm
