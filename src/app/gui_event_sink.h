#pragma once
// The device link's way into the GUI: each receiver is bound to a window
// handle, and a post becomes a window message on the GUI thread. Safe to
// call from any thread.
#include <array>
#include <atomic>

#include "device/event_sink.h"
#include "ui/window_message.h"

namespace vlm {

class GuiEventSink : public EventSink {
 public:
  // Binds a receiver to a window (0 unbinds: its messages are then dropped).
  void SetReceiver(Receiver receiver, ui::WindowHandle window);
  ui::WindowHandle ReceiverWindow(Receiver receiver) const;

  // The record arrives in the window's message as OwnedRecord holding an
  // EventRecord (Take<EventRecord>(), then the typed record by dynamic_cast).
  bool Post(Receiver receiver, int message, intptr_t wparam, intptr_t lparam,
            std::unique_ptr<EventRecord> record) override;

 private:
  std::array<std::atomic<ui::WindowHandle>, kReceiverCount> windows_{};
};

}  // namespace vlm
