#include "app/gui_event_sink.h"

namespace vlm {

void GuiEventSink::SetReceiver(Receiver receiver, ui::WindowHandle window) {
  const int i = static_cast<int>(receiver);
  if (i >= 0 && i < kReceiverCount) windows_[i].store(window);
}

ui::WindowHandle GuiEventSink::ReceiverWindow(Receiver receiver) const {
  const int i = static_cast<int>(receiver);
  return i >= 0 && i < kReceiverCount ? windows_[i].load() : 0;
}

bool GuiEventSink::Post(Receiver receiver, int message, intptr_t wparam, intptr_t lparam,
                        std::unique_ptr<EventRecord> record) {
  const ui::WindowHandle window = ReceiverWindow(receiver);
  if (window == 0) return false;  // the record is freed on return
  return ui::PostWindowMessage(window, message, wparam, lparam, ui::OwnedRecord(std::move(record)));
}

}  // namespace vlm
