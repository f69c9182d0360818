#pragma once
// Where the focus goes when the user presses the left or right arrow key in
// an edit, or Enter in a band edit. Plain rules over names: the window asks
// the environment which controls exist, are enabled and which speakers show.
#include <functional>
#include <string>

namespace vlm::controller {

struct FocusEnvironment {
  int bandCount = 0;                                   // bands of the current channel
  std::function<bool(const std::string&)> has;         // the layout has this control
  std::function<bool(const std::string&)> enabled;     // ... and it is enabled
  std::function<bool(int position)> speakerVisible;    // "speaker_%d" is visible
};

// The edit that takes the focus from `sender` (with user-data index `index`)
// on the right (or left) arrow; empty when nothing moves.
std::string ArrowFocusTarget(const std::string& sender, int index, bool right, const FocusEnvironment& env);

// Enter in band edit `sender`: frequency -> Q -> gain -> next band's
// frequency, wrapping to band 0 after the last band; when that frequency
// edit is disabled (graphic mode), the next band's gain. Empty for other
// senders.
std::string ReturnFocusTarget(const std::string& sender, int index, const FocusEnvironment& env);

}  // namespace vlm::controller
