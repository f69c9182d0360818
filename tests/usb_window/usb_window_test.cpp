// The main window as the program builds it for a machine with the amplifier
// on USB (hidapi's hidraw backend, the udev monitor, the access probe), on an
// emulated USB bus: it connects by itself, says "unplugged" when the device
// is pulled and reads back again when it comes back.
#include <signal.h>

#include "controller/life_fixture.h"
#include "model/conversions.h"
#include "usb_bus/emulated_usb.h"

namespace vlm::test {
namespace {

class UsbWindowTest : public DeviceLifeTest {
 protected:
  void SetUp() override {
    signal(SIGHUP, SIG_IGN);  // the emulated node is a terminal underneath
    std::string why;
    ASSERT_TRUE(usb_.Ready(&why)) << why;
    DeviceLifeTest::SetUp();
  }
  void TearDown() override {
    DeviceLifeTest::TearDown();  // the window and its link go before the bus
  }
  // The window with the program's own transport and monitor (no simulation).
  void StartOnUsb() {
    answer_ = std::make_unique<Answer>([this](ui::UIWindow& w) {
      if (auto* text = w.FindControl<QLabel>(QStringLiteral("MessageText"))) {
        boxes_.append(ui::RawText(text));
        w.Close(reply_);
      }
    });
    wnd_ = std::make_unique<CMainWnd>(std::make_unique<InstanceLock>(InstanceLockPath(locks_.path())));
    wnd_->Create(QStringLiteral("XML_MAIN"));
  }

  testing::EmulatedUsb usb_;
};

TEST_F(UsbWindowTest, ConnectsByItselfSaysUnpluggedAndReadsBackWhenTheAmplifierReturns) {
  const int dev = usb_.Plug(amp_);
  StartOnUsb();
  ASSERT_TRUE(Connected());
  EXPECT_EQ(Key(QStringLiteral("btnConnect")), QStringLiteral("${btn_connected}"));
  EXPECT_EQ(live().mainVolume, vlm::MainVolumeFromDb(-1.0));  // the amplifier's, read over hidraw
  EXPECT_GT(usb_.ReportsWritten(dev), 100u);

  usb_.Unplug(dev);
  ASSERT_TRUE(Disconnected());
  EXPECT_TRUE(WaitFor([&] { return boxes_.contains(QStringLiteral("${device_plugout}")); }))
      << boxes_.join(' ').toStdString();
  EXPECT_EQ(Key(QStringLiteral("btnConnect")), QStringLiteral("${btn_disconnected}"));
  EXPECT_FALSE(mgr().link().IsConnected());

  amp_->WithState([](sim::AmplifierState& s) { s.scenes[0].mainVolume = 26; });
  usb_.Plug(amp_);
  ASSERT_TRUE(WaitFor([&] { return State() == controller::ConnectState::Connected; }));
  ASSERT_TRUE(Connected());
  EXPECT_EQ(live().mainVolume, vlm::MainVolumeFromDb(-20.0));
}

}  // namespace
}  // namespace vlm::test
