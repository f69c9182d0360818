#pragma once
// How decoded replies leave the device link: as posted messages to one of the
// receivers the link knows (the "window handles"). Decoders run on whatever
// thread reads from the amplifier, so they never call a window directly; the
// GUI implements EventSink and hands every post to its own thread.
#include <cstdint>
#include <memory>

namespace vlm {

// A decoded reply handed over with a message. Typed records derive from it;
// the receiver owns the record once the post succeeded.
struct EventRecord {
  virtual ~EventRecord() = default;
};

// The receivers a decoder may address. Only the main window and the scene
// window are ever set in this program; the others exist so that the replies
// meant for them go nowhere instead of somewhere wrong.
enum class Receiver : int {
  MainWindow = 0,
  SceneWindow,
  CalibrationWindow,
  ToolWindow,
  MemoryData,
};
inline constexpr int kReceiverCount = 5;

class EventSink {
 public:
  virtual ~EventSink() = default;
  // Queues one message for `receiver`. Returns false when it cannot be
  // delivered; the record is then freed with the unique_ptr.
  // Must not block on the GUI thread: it is called from reading threads.
  virtual bool Post(Receiver receiver, int message, intptr_t wparam, intptr_t lparam,
                    std::unique_ptr<EventRecord> record) = 0;
};

}  // namespace vlm
