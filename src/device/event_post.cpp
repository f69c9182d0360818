#include "device/event_post.h"

namespace vlm {

EventPost::EventPost() {
  for (auto& receiver : receivers_) receiver.store(false);
}

void EventPost::SetEventSink(EventSink* sink) {
  std::lock_guard<std::mutex> lock(sinkMutex_);
  sink_ = sink;
}

void EventPost::SetReceiver(Receiver receiver, bool set) {
  const int index = static_cast<int>(receiver);
  if (index < 0 || index >= kReceiverCount) return;
  receivers_[index].store(set);
}

bool EventPost::ReceiverSet(Receiver receiver) const {
  const int index = static_cast<int>(receiver);
  if (index < 0 || index >= kReceiverCount) return false;
  return receivers_[index].load();
}

bool EventPost::PostEvent(Receiver receiver, int message, intptr_t wparam, intptr_t lparam,
                           std::unique_ptr<EventRecord> record) {
  if (!ReceiverSet(receiver)) return false;  // nobody there: the record is freed here
  std::lock_guard<std::mutex> lock(sinkMutex_);
  if (sink_ == nullptr) return false;
  return sink_->Post(receiver, message, wparam, lparam, std::move(record));
}

}  // namespace vlm
