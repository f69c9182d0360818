#pragma once
// EventPost: where the reply decoders hand what they decoded. It keeps which
// receivers ("window handles") are set and the sink that delivers to them.
//
// Threads: any thread may post, set receivers or change the sink; posts and
// sink changes are serialised by one mutex, and receivers are atomic flags.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "device/event_sink.h"

namespace vlm {

class EventPost {
 public:
  EventPost();
  EventPost(const EventPost&) = delete;
  EventPost& operator=(const EventPost&) = delete;

  // The sink must outlive its registration; clearing it waits for posts in flight.
  void SetEventSink(EventSink* sink);
  void SetReceiver(Receiver receiver, bool set);
  bool ReceiverSet(Receiver receiver) const;
  // Posts to `receiver` when it is set and a sink is registered; otherwise the
  // record is freed and false returned.
  bool PostEvent(Receiver receiver, int message, intptr_t wparam, intptr_t lparam,
                 std::unique_ptr<EventRecord> record);

 private:
  std::mutex sinkMutex_;
  EventSink* sink_ = nullptr;
  std::array<std::atomic<bool>, kReceiverCount> receivers_{};
};

}  // namespace vlm
