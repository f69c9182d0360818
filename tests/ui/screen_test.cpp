// The widest-monitor rule and the DPI table, over made-up screens.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "base/log.h"
#include "ui/screen_info.h"

namespace vlm::ui {
namespace {

ScreenRect R(int l, int t, int w, int h) { return {l, t, l + w, t + h}; }

TEST(ScreenTest, DpiTable) {
  EXPECT_EQ(ChooseDpi(R(0, 0, 1366, 768)), 96);
  EXPECT_EQ(ChooseDpi(R(0, 0, 1920, 1080)), 144);
  EXPECT_EQ(ChooseDpi(R(0, 0, 2560, 1440)), 192);
  EXPECT_EQ(ChooseDpi(R(0, 0, 3840, 2160)), 288);
  EXPECT_EQ(ChooseDpi(R(0, 0, 1280, 700)), 77);
  // The edges of each band.
  EXPECT_EQ(ChooseDpi(R(0, 0, 1279, 1024)), 77);
  EXPECT_EQ(ChooseDpi(R(0, 0, 1280, 720)), 96);
  EXPECT_EQ(ChooseDpi(R(0, 0, 1899, 1000)), 96);
  EXPECT_EQ(ChooseDpi(R(0, 0, 1900, 1000)), 144);
  EXPECT_EQ(ChooseDpi(R(0, 0, 2459, 1000)), 144);
  EXPECT_EQ(ChooseDpi(R(0, 0, 2460, 1000)), 192);
  EXPECT_EQ(ChooseDpi(R(0, 0, 3689, 1000)), 192);
  EXPECT_EQ(ChooseDpi(R(0, 0, 3690, 1000)), 288);
  // Size counts, not position: a monitor to the left.
  EXPECT_EQ(ChooseDpi(R(-2560, 0, 2560, 1440)), 192);
  EXPECT_EQ(ChooseDpi(R(0, 0, 0, 0)), 77);
}

TEST(ScreenTest, WidestMonitorWinsAndThePrimaryWinsTies) {
  // Two monitors of equal width: the primary one.
  const ScreenInfo equal = ScreenInfo::Make(1920, 1080, R(0, 0, 3840, 1080), {R(0, 0, 1920, 1080), R(1920, 0, 1920, 1200)});
  EXPECT_EQ(LargestScreenRect(equal), R(0, 0, 1920, 1080));
  // A wider second monitor.
  const ScreenInfo wider = ScreenInfo::Make(1366, 768, R(0, 0, 3926, 1440), {R(0, 0, 1366, 768), R(1366, 0, 2560, 1440)});
  EXPECT_EQ(LargestScreenRect(wider), R(1366, 0, 2560, 1440));
  EXPECT_EQ(ChooseDpi(LargestScreenRect(wider)), 192);
  // Of two equal non-primary monitors the one further left (then higher) wins.
  const ScreenInfo three = ScreenInfo::Make(
      1280, 1024, R(-2560, -1440, 6400, 2880),
      {R(1280, 0, 2560, 1440), R(0, 0, 1280, 1024), R(-2560, 0, 2560, 1440), R(-2560, -1440, 2560, 1440)});
  ASSERT_EQ(three.monitors.size(), 3u);  // the one at (0, 0) is the main screen
  EXPECT_EQ(three.monitors[0], R(-2560, -1440, 2560, 1440));
  EXPECT_EQ(three.monitors[1], R(-2560, 0, 2560, 1440));
  EXPECT_EQ(three.monitorCount, 4);
  EXPECT_EQ(LargestScreenRect(three), R(-2560, -1440, 2560, 1440));
}

TEST(ScreenTest, BuildingTheRecordLogsBothRectangles) {
  QTemporaryDir dir;
  const QString log = dir.filePath(QStringLiteral("save.log"));
  SetLogEcho(false);
  ASSERT_TRUE(InitConsoleWindow(log.toStdString()));
  ScreenInfo::Make(1920, 1080, R(-1280, 0, 3200, 1080), {});
  ShutdownLogging();
  QFile f(log);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray text = f.readAll();
  EXPECT_TRUE(text.contains("m_MainScreen (0,0,1920,1080)\n")) << text.constData();
  EXPECT_TRUE(text.contains("m_VirtualScreen (-1280,0,1920,1080)\n")) << text.constData();
}

TEST(ScreenTest, AGrownWindowIsMovedBackOntoItsScreen) {
  // A 1600-pixel screen with a panel at the top; the window grew to 1230 x 840
  // at (600, 100): its right edge and close button were off the screen.
  const ScreenRect area = R(0, 32, 1600, 868);
  EXPECT_EQ(KeepOnScreen(R(600, 100, 1230, 840), area), R(370, 60, 1230, 840));
  // A window that fits stays where it is.
  EXPECT_EQ(KeepOnScreen(R(100, 100, 800, 600), area), R(100, 100, 800, 600));
  // Larger than the area: its top left corner (title bar) stays on the screen.
  EXPECT_EQ(KeepOnScreen(R(-50, -10, 1700, 1000), area), R(0, 32, 1700, 1000));
  // On a second monitor left of the first the same rule holds.
  EXPECT_EQ(KeepOnScreen(R(-900, 0, 1000, 700), R(-1280, 0, 1280, 1024)), R(-1000, 0, 1000, 700));
}

}  // namespace
}  // namespace vlm::ui
