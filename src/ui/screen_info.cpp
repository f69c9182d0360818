#include "ui/screen_info.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "base/log.h"

namespace vlm::ui {

ScreenInfo ScreenInfo::Make(int primaryWidth, int primaryHeight, const ScreenRect& virtualScreen,
                            const std::vector<ScreenRect>& allMonitors) {
  ScreenInfo info;
  info.mainScreen = {0, 0, primaryWidth, primaryHeight};
  info.virtualScreen = virtualScreen;
  info.monitorCount = static_cast<int>(allMonitors.size());
  for (const ScreenRect& r : allMonitors) {
    if (r.left != 0 || r.top != 0) info.monitors.push_back(r);
  }
  std::stable_sort(info.monitors.begin(), info.monitors.end(), [](const ScreenRect& a, const ScreenRect& b) {
    return a.left != b.left ? a.left < b.left : a.top < b.top;
  });
  LogMessage("m_MainScreen (%d,%d,%d,%d)\n", info.mainScreen.left, info.mainScreen.top, info.mainScreen.right,
             info.mainScreen.bottom);
  LogMessage("m_VirtualScreen (%d,%d,%d,%d)\n", virtualScreen.left, virtualScreen.top, virtualScreen.right,
             virtualScreen.bottom);
  return info;
}

ScreenInfo ScreenInfo::FromSystem() {
  QScreen* primary = QGuiApplication::primaryScreen();
  if (!primary) return Make(0, 0, {}, {});
  const QRect virt = primary->virtualGeometry();
  std::vector<ScreenRect> all;
  for (QScreen* s : QGuiApplication::screens()) {
    const QRect g = s->geometry();
    all.push_back({g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
  }
  const QSize size = primary->geometry().size();
  return Make(size.width(), size.height(),
              {virt.left(), virt.top(), virt.left() + virt.width(), virt.top() + virt.height()}, all);
}

ScreenRect LargestScreenRect(const ScreenInfo& info) {
  ScreenRect best = info.mainScreen;
  for (const ScreenRect& r : info.monitors) {
    if (r.Width() > best.Width()) best = r;
  }
  return best;
}

int ChooseDpi(const ScreenRect& rect) {
  const int w = rect.Width(), h = rect.Height();
  if (w < 1280 || h < 720) return 77;
  if (w < 1900) return 96;
  if (w < 2460) return 144;
  if (w < 3690) return 192;
  return 288;
}

int ChooseDpiForSystem(ScreenRect* rect) {
  const ScreenRect r = LargestScreenRect(ScreenInfo::FromSystem());
  LogMessage("screen size %d x %d\n", r.right, r.bottom);
  if (rect) *rect = r;
  return ChooseDpi(r);
}

ScreenRect KeepOnScreen(const ScreenRect& frame, const ScreenRect& area) {
  const int w = frame.Width(), h = frame.Height();
  // Past the right or bottom edge: moved back; then never before the left or
  // top edge, so that the title bar stays on the screen.
  const int left = std::max(area.left, std::min(frame.left, area.right - w));
  const int top = std::max(area.top, std::min(frame.top, area.bottom - h));
  return {left, top, left + w, top + h};
}

}  // namespace vlm::ui
