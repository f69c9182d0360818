// Replies that reach the main window outside a worker (a late reply, a
// report the amplifier sends by itself) change the settings and the window
// shows them; a lock released by the amplifier while linked releases the
// link on the amplifier too.
#include <QApplication>

#include "controller/control_access.h"
#include "device/commands_dsp_get.h"
#include "window_fixture.h"

namespace vlm::test {
namespace {

class ReplyRefreshTest : public MainWindowTest {
 protected:
  // The replies are posted to the window; deliver them.
  void Deliver() {
    Flush();
    QApplication::sendPostedEvents(wnd_.get());
    QApplication::sendPostedEvents();
  }
  bool On(const char* name) { return controller::IsOn(Find<QAbstractButton>(QString::fromLatin1(name))); }
};

TEST_F(ReplyRefreshTest, ChannelAndAmplifierRepliesShowInTheControls) {
  mgr().channels().SetCurChannelChange(2);
  amp_->WithState([](sim::AmplifierState& s) {
    s.scenes[0].outputs[2].trim = 6;  // the tool's negated gain: -6 dB
    s.scenes[0].outputs[2].hp.freq = 250;
    s.scenes[0].outputs[5].trim = 4;
    s.scenes[0].ampMute = 1;
  });
  ASSERT_TRUE(Get_Trim(mgr().link(), 0, 0, 2, 2));
  ASSERT_TRUE(Get_Filter(mgr().link(), 0, 0, 2, 2));
  ASSERT_TRUE(Get_Trim(mgr().link(), 0, 0, 5, 5));
  ASSERT_TRUE(Get_Amp_Mute(mgr().link()));
  Deliver();

  EXPECT_FLOAT_EQ(live().channels[2].gain, -6.0f);
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QStringLiteral("-6dB"));
  EXPECT_EQ(Find<QSlider>(QStringLiteral("slider_ch_volume"))->value(), -60);
  EXPECT_EQ(Shown(QStringLiteral("hp_freq")), QStringLiteral("250Hz"));
  // Another channel's reply changes its settings, not the current controls.
  EXPECT_FLOAT_EQ(live().channels[5].gain, -4.0f);
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QStringLiteral("-6dB"));
  // The power button follows the amplifier.
  EXPECT_EQ(live().ampOn, 0);
  EXPECT_EQ(Key(QStringLiteral("btn_amp_onoff")), QStringLiteral("${amp_off}"));
  EXPECT_FALSE(On("btn_amp_onoff"));
}

TEST_F(ReplyRefreshTest, LockReleasedByTheAmplifierReleasesTheLink) {
  LinkDefaultPairs();
  live().lockMode = 1;
  mgr().RefreshAllControls();
  ASSERT_TRUE(On("btn_link_output"));
  ASSERT_FALSE(Find(QStringLiteral("ch_output_btn_3"))->isEnabled());
  amp_->WithState([](sim::AmplifierState& s) {
    s.scenes[0].lock = 0;
    s.scenes[0].chLink.link = 1;
  });
  StartTrace();
  ASSERT_TRUE(Get_CH_Lock(mgr().link(), 0));
  Deliver();

  EXPECT_EQ(live().lockMode, 0);
  EXPECT_EQ(live().linkMode, 0);
  EXPECT_FALSE(On("btn_link_output"));
  EXPECT_FALSE(On("btn_lock_output"));
  EXPECT_TRUE(Find(QStringLiteral("ch_output_btn_3"))->isEnabled());
  EXPECT_EQ(Amp().scenes[0].chLink.link, 0);
  EXPECT_EQ(CountSent(0x0E), 1);  // CH_Link_Ctrl
}

}  // namespace
}  // namespace vlm::test
