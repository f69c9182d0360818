#pragma once
// Window messages: a number, two parameters and an optional owned record,
// posted from any thread and handled on the GUI thread by the receiving
// window. A message whose window is gone is dropped and its record freed.
#include <QtGlobal>
#include <cstdint>
#include <memory>
#include <typeinfo>

namespace vlm::ui {

// A record of any type, owned by whoever holds the message. Take<T>() hands
// ownership on when T is the type the record was posted with.
class OwnedRecord {
 public:
  OwnedRecord() = default;
  template <class T>
  OwnedRecord(std::unique_ptr<T> p)  // NOLINT: implicit on purpose
      : ptr_(p.release(), &DeleteAs<T>), type_(&typeid(T)) {
    if (!ptr_) type_ = nullptr;
  }
  OwnedRecord(OwnedRecord&&) noexcept = default;
  OwnedRecord& operator=(OwnedRecord&&) noexcept = default;

  explicit operator bool() const { return ptr_ != nullptr; }
  template <class T>
  bool Holds() const {
    return type_ && *type_ == typeid(T);
  }
  template <class T>
  T* Get() const {
    return Holds<T>() ? static_cast<T*>(ptr_.get()) : nullptr;
  }
  template <class T>
  std::unique_ptr<T> Take() {
    if (!Holds<T>()) return nullptr;
    type_ = nullptr;
    return std::unique_ptr<T>(static_cast<T*>(ptr_.release()));
  }

 private:
  template <class T>
  static void DeleteAs(void* p) {
    delete static_cast<T*>(p);
  }
  static void DeleteNothing(void*) {}
  std::unique_ptr<void, void (*)(void*)> ptr_{nullptr, &DeleteNothing};
  const std::type_info* type_ = nullptr;
};

struct WindowMessage {
  int message = 0;
  intptr_t wparam = 0;
  intptr_t lparam = 0;
  OwnedRecord record;
};

// Identifies a live window across threads; 0 names no window.
using WindowHandle = quint64;

// Posts a message to the window `handle` from any thread. Returns false when
// no such window exists any more (the record is freed here). A message
// accepted for a window that closes before handling it is freed with the
// window's pending events.
bool PostWindowMessage(WindowHandle handle, int message, intptr_t wparam = 0, intptr_t lparam = 0,
                       OwnedRecord record = {});

}  // namespace vlm::ui
