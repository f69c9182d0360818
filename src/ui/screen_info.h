#pragma once
// The monitors the program can use and the DPI value chosen from the widest.
// The rules are pure functions over rectangles so that they can be tried
// with any monitor arrangement.
#include <vector>

namespace vlm::ui {

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const ScreenRect&) const = default;
};

struct ScreenInfo {
  ScreenRect mainScreen;       // (0, 0, primary width, primary height)
  ScreenRect virtualScreen;    // bounding rectangle of all monitors
  int monitorCount = 0;
  std::vector<ScreenRect> monitors;  // those not at (0, 0), by left then top edge

  // Builds the record from the primary size, the virtual rectangle and every
  // monitor; logs the main and virtual rectangles.
  static ScreenInfo Make(int primaryWidth, int primaryHeight, const ScreenRect& virtualScreen,
                         const std::vector<ScreenRect>& allMonitors);
  // The same from the screens Qt reports.
  static ScreenInfo FromSystem();
};

// The widest monitor; on equal widths the main screen, then the earlier one.
ScreenRect LargestScreenRect(const ScreenInfo& info);

// The DPI value for a display rectangle: 77, 96, 144, 192 or 288.
int ChooseDpi(const ScreenRect& rect);

// Where a window of `frame` (its frame, title bar included) goes so that it
// stays within `area` (the screen's available area): moved back in, the top
// left corner first when it is larger than the area (the title bar and the
// window's own edge stay reachable). Its size is left to the caller.
ScreenRect KeepOnScreen(const ScreenRect& frame, const ScreenRect& area);

// The full rule a window applies: build ScreenInfo, take the widest, log
// "screen size %d x %d\n", choose. `rect` receives the rectangle taken.
int ChooseDpiForSystem(ScreenRect* rect = nullptr);

}  // namespace vlm::ui
