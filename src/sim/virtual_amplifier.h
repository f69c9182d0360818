#pragma once
// The virtual amplifier: a stateful, thread-safe model of the amplifier at the
// other end of the USB cable. It answers every get from its state, applies
// every set, and can misbehave on request (lost, corrupted or split answers,
// refusal, another model, unplug).
//
// How it answers a set (op 0xBB):
// - the handshake answers with its data; scene save, recall and delete, the
//   channel-type set and the upgrade steps answer with their own
//   acknowledgement (op 0xEE with a payload), or not at all when they refuse;
// - PC_Connect is never answered: the tool does not wait for it;
// - every other set of packet types 1, 2, 3 and 7 is acknowledged with a
//   short frame of the same type and command, op 0xEE and no payload, once
//   the amplifier has taken the frame, also when it ignored a payload it
//   could not use: the acknowledgement says the frame arrived, so that a
//   tool waiting for a reply after each command does not wait in vain.
//   SetAcknowledgeSets(false) models an amplifier that stays silent instead.
// SimTransport connects the device link to it; several transports may share
// one amplifier, as the program re-opens the device.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sim/amplifier_state.h"
#include "sim/command_table.h"
#include "sim/report_pipe.h"

namespace vlm::sim {

// The four descriptive strings of the USB device.
enum class UsbString { Manufacturer = 0, Product = 1, SerialNumber = 2, Indexed1 = 3 };

struct UsbIdentity {
  uint16_t vendorId = 0x0483;
  uint16_t productId = 0x5750;
  std::wstring manufacturer = L"TONWERK";
  std::wstring product = L"VLM24.60DSP";
  std::wstring serialNumber = L"VLM2460-000078";
  std::wstring indexed1 = L"TONWERK";  // string descriptor 1
};

class VirtualAmplifier {
 public:
  using Clock = std::chrono::steady_clock;

  // Factory state, plugged in, latency 0, trace off.
  VirtualAmplifier();
  ~VirtualAmplifier();
  VirtualAmplifier(const VirtualAmplifier&) = delete;
  VirtualAmplifier& operator=(const VirtualAmplifier&) = delete;

  // --- Identity ---------------------------------------------------------
  void SetUsbIdentity(const UsbIdentity& identity);
  UsbIdentity usbIdentity() const;
  // Bit n set makes the read of UsbString n fail (0..15).
  void FailStringReads(unsigned mask);
  // 0 and the text, or -1 when the read is set to fail.
  int ReadString(UsbString which, std::wstring& text) const;

  void SetHandshake(const HandshakeIdentity& identity);
  HandshakeIdentity handshake() const;
  void RefuseHandshake(bool refuse);            // answers 0xF0
  void SetModel(uint8_t model);                 // another model than 78
  void SetFirmwareVersion(uint8_t master, uint8_t slave);

  // --- Plugging ---------------------------------------------------------
  bool IsPlugged() const;
  // Unplugging fails every open handle at once (reads -1, DeviceGone).
  void Unplug();
  void Plug();
  // Disappears now and comes back after `downtime`. Plug() or Unplug() in
  // the meantime cancels the comeback.
  void Reboot(std::chrono::milliseconds downtime);
  // How long the amplifier stays away when it restarts by itself (reboot
  // command, factory reset, end of a firmware transfer).
  void SetRebootDowntime(std::chrono::milliseconds downtime);
  // Called with true on plug-in and false on removal, on the thread that
  // plugged or unplugged (for the hot-plug watcher of a simulated session).
  int AddPlugListener(std::function<void(bool plugged)> listener);
  void RemovePlugListener(int id);

  // --- Timing -----------------------------------------------------------
  // Time per USB report in either direction (0 for tests, 1 ms for benchmarks).
  void SetReportLatency(std::chrono::microseconds latency);
  std::chrono::microseconds reportLatency() const;

  // --- Answers -----------------------------------------------------------
  // Whether plain sets get the short acknowledgement (on from the start).
  void SetAcknowledgeSets(bool on);
  bool acknowledgeSets() const;

  // --- Faults (each applies to the next answers the amplifier sends) ------
  void DropNextReplies(int count = 1);
  // From now on every n-th answer frame is dropped (the n-th, 2n-th, ...
  // counted from this call), until switched off with 0 or ClearFaults().
  void DropEveryNthReply(int n);
  void CorruptNextReplies(int count = 1);  // checksum off by one
  // Sends the next answer over two reports; `firstPartBytes` frame bytes go in
  // the first (0 = half the frame).
  void SplitNextReply(size_t firstPartBytes = 0);
  // The next upgrade data blocks find the amplifier busy: it keeps each block
  // but answers NOT_READY, and ACK_READY in a later report once it has
  // written it (the tool reads again without resending).
  void AnswerNotReady(int count = 1);
  // The next upgrade start (MCU, bootloader or DSP flash) is not taken but
  // answered with this acknowledgement code.
  void AnswerNextStartWith(uint8_t code);
  // Lets `fault` strike part way through an operation: it runs once, on the
  // writing thread and outside the amplifier's lock, when the report after
  // the next `reports` ones arrives and before the amplifier takes it (0:
  // the very next report). A fault it arms (DropNextReplies, ...) thus hits
  // that report's answer; Unplug or Reboot makes that report's write fail.
  // Every report counts, also one the amplifier ignores. Arming again
  // replaces a fault not yet run; ClearFaults() removes it.
  void ArmFaultAfterReports(uint64_t reports, std::function<void(VirtualAmplifier&)> fault);
  void ClearFaults();

  // --- Trace ------------------------------------------------------------
  // Lines "-> AA 55 ..." for what the tool wrote and "<- AA 55 ..." for what
  // the amplifier answered, with milliseconds since the trace was switched
  // on when `withTimes` is set (leave it off for fixtures).
  void EnableTrace(bool on, bool withTimes = false);
  std::string TraceText() const;
  void ClearTrace();

  // --- State ------------------------------------------------------------
  // Runs `f` on the state under the amplifier's lock.
  template <class F>
  decltype(auto) WithState(F&& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    return f(state_);
  }
  AmplifierState Snapshot() const;
  // A copy of the live settings (scene 0) alone, under the lock: what the
  // amplifier is doing to the sound right now.
  SceneSettings LiveScene() const;
  void ResetToFactory();
  // Keeps the memory in `path` (state_file.h): read from it now when it
  // exists, written after every set from then on. Empty on success.
  std::string KeepStateIn(const std::string& path);

  struct Counters {
    uint64_t reportsReceived = 0;
    uint64_t framesIgnored = 0;   // bad sync, length or checksum
    uint64_t framesUnknown = 0;   // good frames no handler takes
    uint64_t repliesSent = 0;
    uint64_t repliesDropped = 0;
  };
  Counters counters() const;

  // --- Used by SimTransport ---------------------------------------------
  // A new handle, or null when unplugged or the IDs do not match.
  std::shared_ptr<ReportPipe> Open(uint16_t vendorId, uint16_t productId);
  void Close(const std::shared_ptr<ReportPipe>& pipe);
  // One output report (report ID first) from the handle `pipe`. False when the
  // device is not there.
  bool Receive(const std::shared_ptr<ReportPipe>& pipe, const uint8_t* data, size_t length);

 private:
  void TraceLine(const char* arrow, const std::vector<uint8_t>& bytes, const std::string& note);
  void SendReplies(const std::shared_ptr<ReportPipe>& pipe, const std::vector<Frame>& replies);
  // Unplugs under the lock; returns whether it changed anything.
  bool UnplugLocked(const std::shared_ptr<ReportPipe>& drainFirst);
  void NotifyPlug(bool plugged);
  void ScheduleReplug(std::chrono::milliseconds downtime);
  void StopReplugThread();
  // Counts one report towards the armed fault and runs it when due.
  void RunArmedFault();

  mutable std::mutex mutex_;
  AmplifierState state_;
  UsbIdentity usb_;
  unsigned failStrings_ = 0;
  HandshakeIdentity handshake_;
  bool plugged_ = true;
  std::vector<std::weak_ptr<ReportPipe>> pipes_;
  std::chrono::microseconds latency_{0};
  std::chrono::milliseconds rebootDowntime_{1000};
  bool acknowledgeSets_ = true;
  std::string stateFile_;  // KeepStateIn's file, empty for none

  int dropReplies_ = 0;
  int dropEvery_ = 0;       // DropEveryNthReply's n, 0 = off
  int dropEverySeen_ = 0;   // answer frames since it was switched on
  int corruptReplies_ = 0;
  bool splitNext_ = false;
  size_t splitFirstPart_ = 0;
  int notReadyBlocks_ = 0;
  int startAnswer_ = -1;

  // The armed fault (ArmFaultAfterReports), under its own lock: it runs
  // without mutex_, as it calls the public members.
  std::mutex armedMutex_;
  std::function<void(VirtualAmplifier&)> armedFault_;
  uint64_t armedAfter_ = 0;

  bool traceOn_ = false;
  bool traceTimes_ = false;
  Clock::time_point traceStart_;
  std::string trace_;
  Counters counters_;

  std::mutex listenersMutex_;
  std::vector<std::pair<int, std::function<void(bool)>>> listeners_;
  int nextListenerId_ = 1;

  // The thread that plugs the amplifier back in after a reboot.
  std::mutex replugMutex_;
  std::condition_variable replugCv_;
  std::thread replugThread_;
  bool replugCancel_ = false;
};

}  // namespace vlm::sim
