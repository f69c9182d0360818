#pragma once
// Answers the modal windows a test opens, for as long as it lives, then puts
// back whatever answerer was installed before.
#include <utility>

#include "ui/window.h"

namespace vlm::test {

class Answer {
 public:
  explicit Answer(ui::ModalAnswerer a) : previous_(ui::SetModalAnswerer(std::move(a))) {}
  ~Answer() { ui::SetModalAnswerer(std::move(previous_)); }
  Answer(const Answer&) = delete;
  Answer& operator=(const Answer&) = delete;

 private:
  ui::ModalAnswerer previous_;
};

}  // namespace vlm::test
