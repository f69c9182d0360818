#include "sim/virtual_amplifier.h"

#include <algorithm>
#include <cstdio>

#include "base/log.h"
#include "sim/state_file.h"

namespace vlm::sim {
namespace {
constexpr size_t kTraceLimit = 4u << 20;

bool IsAcknowledgedType(uint8_t type) {
  return type == kTypeDsp || type == kTypeScene || type == kTypeMcu || type == kTypeKtv;
}
}  // namespace

VirtualAmplifier::VirtualAmplifier() : state_(FactoryState()), traceStart_(Clock::now()) {}

VirtualAmplifier::~VirtualAmplifier() {
  StopReplugThread();
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& weak : pipes_) {
    if (auto pipe = weak.lock()) pipe->MarkGone();
  }
}

// --- Identity -----------------------------------------------------------

void VirtualAmplifier::SetUsbIdentity(const UsbIdentity& identity) {
  std::lock_guard<std::mutex> lock(mutex_);
  usb_ = identity;
}

UsbIdentity VirtualAmplifier::usbIdentity() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return usb_;
}

void VirtualAmplifier::FailStringReads(unsigned mask) {
  std::lock_guard<std::mutex> lock(mutex_);
  failStrings_ = mask & 0xF;
}

int VirtualAmplifier::ReadString(UsbString which, std::wstring& text) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const unsigned bit = 1u << static_cast<unsigned>(which);
  if (failStrings_ & bit) return -1;
  switch (which) {
    case UsbString::Manufacturer: text = usb_.manufacturer; break;
    case UsbString::Product: text = usb_.product; break;
    case UsbString::SerialNumber: text = usb_.serialNumber; break;
    case UsbString::Indexed1: text = usb_.indexed1; break;
  }
  return 0;
}

void VirtualAmplifier::SetHandshake(const HandshakeIdentity& identity) {
  std::lock_guard<std::mutex> lock(mutex_);
  handshake_ = identity;
}

HandshakeIdentity VirtualAmplifier::handshake() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return handshake_;
}

void VirtualAmplifier::RefuseHandshake(bool refuse) {
  std::lock_guard<std::mutex> lock(mutex_);
  handshake_.acceptByte = refuse ? 0xF0 : 0x00;
}

void VirtualAmplifier::SetModel(uint8_t model) {
  std::lock_guard<std::mutex> lock(mutex_);
  handshake_.model = model;
}

void VirtualAmplifier::SetFirmwareVersion(uint8_t master, uint8_t slave) {
  std::lock_guard<std::mutex> lock(mutex_);
  handshake_.masterVersion = master;
  handshake_.slaveVersion = slave;
}

// --- Plugging -----------------------------------------------------------

bool VirtualAmplifier::IsPlugged() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return plugged_;
}

bool VirtualAmplifier::UnplugLocked(const std::shared_ptr<ReportPipe>& drainFirst) {
  if (!plugged_) return false;
  plugged_ = false;
  for (auto& weak : pipes_) {
    if (auto pipe = weak.lock()) pipe->MarkGone(pipe == drainFirst);
  }
  pipes_.clear();
  return true;
}

void VirtualAmplifier::Unplug() {
  StopReplugThread();
  bool changed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    changed = UnplugLocked(nullptr);
  }
  if (changed) NotifyPlug(false);
}

void VirtualAmplifier::Plug() {
  StopReplugThread();
  bool changed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    changed = !plugged_;
    plugged_ = true;
  }
  if (changed) NotifyPlug(true);
}

void VirtualAmplifier::Reboot(std::chrono::milliseconds downtime) {
  Unplug();
  ScheduleReplug(downtime);
}

void VirtualAmplifier::SetRebootDowntime(std::chrono::milliseconds downtime) {
  std::lock_guard<std::mutex> lock(mutex_);
  rebootDowntime_ = downtime;
}

int VirtualAmplifier::AddPlugListener(std::function<void(bool)> listener) {
  std::lock_guard<std::mutex> lock(listenersMutex_);
  listeners_.emplace_back(nextListenerId_, std::move(listener));
  return nextListenerId_++;
}

void VirtualAmplifier::RemovePlugListener(int id) {
  std::lock_guard<std::mutex> lock(listenersMutex_);
  std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void VirtualAmplifier::NotifyPlug(bool plugged) {
  // Copied so that a listener may add or remove listeners.
  std::vector<std::function<void(bool)>> calls;
  {
    std::lock_guard<std::mutex> lock(listenersMutex_);
    for (auto& entry : listeners_) calls.push_back(entry.second);
  }
  for (auto& call : calls) call(plugged);
}

void VirtualAmplifier::ScheduleReplug(std::chrono::milliseconds downtime) {
  std::unique_lock<std::mutex> lock(replugMutex_);
  // Another thread may schedule at the same time: only one replug thread.
  while (replugThread_.joinable()) {
    lock.unlock();
    StopReplugThread();
    lock.lock();
  }
  replugCancel_ = false;
  replugThread_ = std::thread([this, downtime] {
    {
      std::unique_lock<std::mutex> wait(replugMutex_);
      if (replugCv_.wait_for(wait, downtime, [this] { return replugCancel_; })) return;
    }
    bool changed;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      changed = !plugged_;
      plugged_ = true;
    }
    if (changed) NotifyPlug(true);
  });
}

void VirtualAmplifier::StopReplugThread() {
  std::thread old;
  {
    std::lock_guard<std::mutex> lock(replugMutex_);
    if (!replugThread_.joinable()) return;
    replugCancel_ = true;
    old = std::move(replugThread_);
  }
  replugCv_.notify_all();
  // A plug listener running on the replug thread itself may unplug again.
  if (old.get_id() == std::this_thread::get_id()) {
    old.detach();
  } else {
    old.join();
  }
}

// --- Answers ------------------------------------------------------------

void VirtualAmplifier::SetAcknowledgeSets(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  acknowledgeSets_ = on;
}

bool VirtualAmplifier::acknowledgeSets() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return acknowledgeSets_;
}

// --- Timing and faults --------------------------------------------------

void VirtualAmplifier::SetReportLatency(std::chrono::microseconds latency) {
  std::lock_guard<std::mutex> lock(mutex_);
  latency_ = latency;
}

std::chrono::microseconds VirtualAmplifier::reportLatency() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return latency_;
}

void VirtualAmplifier::DropNextReplies(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  dropReplies_ += std::max(count, 0);
}

void VirtualAmplifier::DropEveryNthReply(int n) {
  std::lock_guard<std::mutex> lock(mutex_);
  dropEvery_ = std::max(n, 0);
  dropEverySeen_ = 0;
}

void VirtualAmplifier::CorruptNextReplies(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  corruptReplies_ += std::max(count, 0);
}

void VirtualAmplifier::SplitNextReply(size_t firstPartBytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  splitNext_ = true;
  splitFirstPart_ = firstPartBytes;
}

void VirtualAmplifier::AnswerNotReady(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  notReadyBlocks_ += std::max(count, 0);
}

void VirtualAmplifier::AnswerNextStartWith(uint8_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  startAnswer_ = code;
}

void VirtualAmplifier::ArmFaultAfterReports(uint64_t reports, std::function<void(VirtualAmplifier&)> fault) {
  std::lock_guard<std::mutex> lock(armedMutex_);
  armedFault_ = std::move(fault);
  armedAfter_ = reports;
}

void VirtualAmplifier::RunArmedFault() {
  std::function<void(VirtualAmplifier&)> fault;
  {
    std::lock_guard<std::mutex> lock(armedMutex_);
    if (!armedFault_) return;
    if (armedAfter_ > 0) {
      --armedAfter_;
      return;
    }
    fault = std::move(armedFault_);
    armedFault_ = nullptr;
  }
  fault(*this);
}

void VirtualAmplifier::ClearFaults() {
  {
    std::lock_guard<std::mutex> lock(armedMutex_);
    armedFault_ = nullptr;
    armedAfter_ = 0;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  dropReplies_ = corruptReplies_ = notReadyBlocks_ = 0;
  dropEvery_ = dropEverySeen_ = 0;
  startAnswer_ = -1;
  splitNext_ = false;
  failStrings_ = 0;
}

// --- Trace --------------------------------------------------------------

void VirtualAmplifier::EnableTrace(bool on, bool withTimes) {
  std::lock_guard<std::mutex> lock(mutex_);
  traceOn_ = on;
  traceTimes_ = withTimes;
  traceStart_ = Clock::now();
}

std::string VirtualAmplifier::TraceText() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return trace_;
}

void VirtualAmplifier::ClearTrace() {
  std::lock_guard<std::mutex> lock(mutex_);
  trace_.clear();
}

void VirtualAmplifier::TraceLine(const char* arrow, const std::vector<uint8_t>& bytes,
                                 const std::string& note) {
  if (!traceOn_) return;
  // A demo may run for hours with the trace on: keep the newer half.
  if (trace_.size() > kTraceLimit) {
    const size_t cut = trace_.find('\n', trace_.size() / 2);
    trace_.erase(0, cut == std::string::npos ? trace_.size() : cut + 1);
  }
  if (traceTimes_) {
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - traceStart_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10.3f ", ms);
    trace_ += stamp;
  }
  trace_ += arrow;
  trace_ += ' ';
  trace_ += HexBytes(bytes);
  if (!note.empty()) {
    trace_ += "  (";
    trace_ += note;
    trace_ += ')';
  }
  trace_ += '\n';
}

// --- State --------------------------------------------------------------

AmplifierState VirtualAmplifier::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

SceneSettings VirtualAmplifier::LiveScene() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_.scenes.at(0);
}

std::string VirtualAmplifier::KeepStateIn(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fclose(f);
    if (std::string error = ReadStateFile(path, state_); !error.empty()) return error;
  }
  stateFile_ = path;
  return {};
}

void VirtualAmplifier::ResetToFactory() {
  std::lock_guard<std::mutex> lock(mutex_);
  state_ = FactoryState();
}

VirtualAmplifier::Counters VirtualAmplifier::counters() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return counters_;
}

// --- The wire -----------------------------------------------------------

std::shared_ptr<ReportPipe> VirtualAmplifier::Open(uint16_t vendorId, uint16_t productId) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!plugged_ || vendorId != usb_.vendorId || productId != usb_.productId) return nullptr;
  std::erase_if(pipes_, [](const std::weak_ptr<ReportPipe>& weak) { return weak.expired(); });
  auto pipe = std::make_shared<ReportPipe>();
  pipes_.push_back(pipe);
  return pipe;
}

void VirtualAmplifier::Close(const std::shared_ptr<ReportPipe>& pipe) {
  if (!pipe) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(pipes_, [&](const std::weak_ptr<ReportPipe>& weak) {
      auto p = weak.lock();
      return !p || p == pipe;
    });
  }
  pipe->MarkGone();
}

bool VirtualAmplifier::Receive(const std::shared_ptr<ReportPipe>& pipe, const uint8_t* data,
                               size_t length) {
  const std::chrono::microseconds latency = reportLatency();
  // The write itself takes one USB frame.
  if (latency.count() > 0) std::this_thread::sleep_for(latency);
  RunArmedFault();

  bool rebooting = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A handle opened before the amplifier went away stays dead after it
    // came back, also while it still delivers the answers sent before.
    if (!plugged_ || !pipe || pipe->Gone() ||
        std::none_of(pipes_.begin(), pipes_.end(), [&](const std::weak_ptr<ReportPipe>& w) { return w.lock() == pipe; })) {
      return false;
    }
    ++counters_.reportsReceived;
    const size_t frameBytes = length > 0 ? std::min(length - 1, kInputReportSize) : 0;
    std::vector<uint8_t> raw(data + (length > 0 ? 1 : 0), data + (length > 0 ? 1 : 0) + frameBytes);
    if (length == 0 || data[0] != 0) {
      ++counters_.framesIgnored;
      TraceLine("->", raw, "ignored: report ID");
      return true;
    }
    Frame request;
    size_t size = 0;
    const FrameError error = DecodeFrame(raw, request, size);
    if (error != FrameError::None) {
      // Shown without the zero padding of the report.
      while (!raw.empty() && raw.back() == 0) raw.pop_back();
      ++counters_.framesIgnored;
      TraceLine("->", raw, std::string("ignored: ") + FrameErrorText(error));
      return true;
    }
    raw.resize(size);
    const CommandTable& table = AmplifierCommands();
    const auto it = table.find(CommandKey{request.type, request.command, request.op});
    if (it == table.end()) {
      ++counters_.framesUnknown;
      TraceLine("->", raw, "not understood");
      return true;
    }
    TraceLine("->", raw, "");
    std::vector<Frame> replies;
    HandlerContext context{state_, handshake_, request, replies, notReadyBlocks_, startAnswer_};
    it->second.handler(context);
    if (request.op == kOpSet && it->second.answer == SetAnswer::Acknowledged && acknowledgeSets_ &&
        IsAcknowledgedType(request.type)) {
      replies.push_back(Frame{request.type, request.command, kOpAck, {}});
    }
    // Kept before the answer goes: what the tool saw acknowledged is on disk.
    if (request.op == kOpSet && !stateFile_.empty()) {
      if (std::string error = WriteStateFile(stateFile_, state_); !error.empty()) LogMessage("%s\n", error.c_str());
    }
    SendReplies(pipe, replies);
    if (context.newFirmwareVersion) {
      handshake_.masterVersion = context.newMasterVersion;
      handshake_.slaveVersion = context.newSlaveVersion;
      // The new firmware answers the tool normally: an amplifier refusing it
      // for a damaged firmware is mended by the upgrade.
      handshake_.acceptByte = 0x00;
    }
    if (context.rebootAfterReply) rebooting = UnplugLocked(pipe);
  }
  if (rebooting) {
    NotifyPlug(false);
    std::chrono::milliseconds downtime;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      downtime = rebootDowntime_;
    }
    ScheduleReplug(downtime);
  }
  return true;
}

void VirtualAmplifier::SendReplies(const std::shared_ptr<ReportPipe>& pipe,
                                   const std::vector<Frame>& replies) {
  Clock::time_point readyAt = Clock::now();
  for (const Frame& reply : replies) {
    std::vector<uint8_t> bytes = EncodeFrame(reply);
    bool periodicDrop = false;
    if (dropEvery_ > 0 && ++dropEverySeen_ == dropEvery_) {
      dropEverySeen_ = 0;
      periodicDrop = true;
    }
    if (dropReplies_ > 0 || periodicDrop) {
      if (!periodicDrop) --dropReplies_;
      ++counters_.repliesDropped;
      TraceLine("<-", bytes, "dropped");
      continue;
    }
    std::string note;
    if (corruptReplies_ > 0) {
      --corruptReplies_;
      bytes.back() = static_cast<uint8_t>(bytes.back() + 1);
      note = "checksum corrupted";
    }
    ++counters_.repliesSent;
    if (splitNext_ && bytes.size() >= 2) {
      splitNext_ = false;
      size_t first = splitFirstPart_ ? splitFirstPart_ : bytes.size() / 2;
      first = std::clamp<size_t>(first, 1, bytes.size() - 1);
      // Both halves travel as full 64-byte reports: the first ends with the
      // start of the frame, so that the tool's parser carries its state over.
      std::vector<uint8_t> head(kInputReportSize, 0);
      std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(first),
                head.end() - static_cast<std::ptrdiff_t>(first));
      std::vector<uint8_t> tail(kInputReportSize, 0);
      std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(first), bytes.end(), tail.begin());
      char split[48];
      std::snprintf(split, sizeof split, "split %zu+%zu", first, bytes.size() - first);
      TraceLine("<-", bytes, note.empty() ? split : note + ", " + split);
      readyAt += latency_;
      pipe->Push(std::move(head), readyAt);
      readyAt += latency_;
      pipe->Push(std::move(tail), readyAt);
      continue;
    }
    TraceLine("<-", bytes, note);
    bytes.resize(kInputReportSize, 0);
    readyAt += latency_;
    pipe->Push(std::move(bytes), readyAt);
  }
}

}  // namespace vlm::sim
