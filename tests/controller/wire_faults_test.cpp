// Editing in the real main window while the amplifier misbehaves: a band
// dragged on the curve and gains typed into the band rows, with replies lost,
// corrupted, split or never sent, and the amplifier unplugged or restarting
// in the middle. The window must never wait for a reply, the newest value
// must reach the amplifier, and the window must be usable afterwards.
#include <QTest>
#include <chrono>
#include <functional>

#include "eqview/qt/ui_equalizer.h"
#include "life_fixture.h"

namespace vlm::test {
namespace {

using Clock = std::chrono::steady_clock;

enum class Edit { Drag, Typing };
enum class Fault { EveryTenthDropped, Silent, Corrupt, Split, Unplug, Reboot };

struct WireFaultCase {
  const char* name;
  Edit edit;
  Fault fault;
};

constexpr int kChannel = 0;
constexpr int kBand = 12;
constexpr int kEdits = 40;
// Gains travel in tenths of a dB; a dragged gain is finer than that.
constexpr float kWireStep = 0.051f;

float WireGain(const sim::WireEqBand& b) { return b.gainInt + b.gainTenths / 10.0f - 18.0f; }

class WireFaultTest : public DeviceLifeTest, public ::testing::WithParamInterface<WireFaultCase> {
 protected:
  void SetUp() override {
    DeviceLifeTest::SetUp();
    if (HasFatalFailure()) return;
    // The real reply wait: a window that waited for one reply would take
    // seconds per edit here.
    timing().readTimeoutMs = 10000;
    amp_->SetRebootDowntime(std::chrono::milliseconds(200));
  }

  EqBand& Band() { return live().eqArray(kChannel)[kBand]; }
  const sim::WireEqBand& AmpBand(const sim::AmplifierState& s) { return Out(s, kChannel).eq[kBand]; }

  void Inject(Fault f) {
    switch (f) {
      case Fault::EveryTenthDropped: amp_->DropEveryNthReply(10); break;
      case Fault::Silent: amp_->SetAcknowledgeSets(false); break;
      case Fault::Corrupt: amp_->CorruptNextReplies(kEdits); break;
      case Fault::Split: amp_->SplitNextReply(); break;
      case Fault::Unplug: amp_->Unplug(); break;
      case Fault::Reboot: amp_->Reboot(std::chrono::milliseconds(200)); break;
    }
  }

  // kEdits edits of the band's gain; the fault comes before the first, or
  // half-way for the ones that take the amplifier away.
  void RunEdits(Edit edit, Fault fault, const std::function<void(int)>& beforeEach) {
    const bool midway = fault == Fault::Unplug || fault == Fault::Reboot;
    if (!midway) Inject(fault);
    if (edit == Edit::Typing) {
      for (int i = 0; i < kEdits; ++i) {
        beforeEach(i);
        if (midway && i == kEdits / 2) Inject(fault);
        Type(QString::asprintf("eq_gain_%d", kBand), QString::number(-6.0 + i * 0.3, 'f', 1));
        QCoreApplication::processEvents();
      }
      return;
    }
    wnd_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd_.get()));
    mgr().channels().SetCurChannelChange(kChannel);
    auto* eq = Find<eqview::UIEqualizer>(QStringLiteral("equalizer"));
    mgr().curves().UpdateEqualizer(-1);
    const auto& r = eq->editor().band(kBand).square;
    const QPoint from((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    QTest::mouseMove(eq, from);
    QTest::mousePress(eq, Qt::LeftButton, {}, from);
    for (int i = 0; i < kEdits; ++i) {
      beforeEach(i);
      if (midway && i == kEdits / 2) Inject(fault);
      QTest::mouseMove(eq, from + QPoint(0, -(i % 10) - 1));
      QCoreApplication::processEvents();
      QThread::msleep(8);  // about 120 events a second
    }
    QTest::mouseRelease(eq, Qt::LeftButton, {}, from + QPoint(0, -(kEdits - 1) % 10 - 1));
  }
};

TEST_P(WireFaultTest, TheWindowNeverWaitsAndTheNewestValueArrives) {
  const WireFaultCase& c = GetParam();
  Start();
  ASSERT_TRUE(Connected());
  const float gainBefore = Band().eqGain;

  Clock::duration longest{};
  Clock::time_point last = Clock::now();
  const Clock::time_point start = Clock::now();
  RunEdits(c.edit, c.fault, [&](int) {
    longest = std::max(longest, Clock::now() - last);
    last = Clock::now();
  });
  // No edit waited for the wire: the whole run is far below one reply wait.
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  EXPECT_LT(longest, std::chrono::seconds(1));
  if (c.fault != Fault::Unplug && c.fault != Fault::Reboot) {
    ASSERT_NE(Band().eqGain, gainBefore);
  }

  if (c.fault == Fault::Unplug || c.fault == Fault::Reboot) {
    // The window lets go and connects again when the amplifier is back; the
    // read-back then holds what the amplifier holds, field by field.
    ASSERT_TRUE(WaitFor([&] { return boxes_.contains(QStringLiteral("${device_plugout}")); }));
    if (c.fault == Fault::Unplug) amp_->Plug();
    ASSERT_TRUE(Connected());
    // Edits typed after the reconnection may still be on their way.
    const sim::AmplifierState s = Amp();
    EXPECT_EQ(Band().freq, AmpBand(s).freq);
    EXPECT_NEAR(Band().eqGain, WireGain(AmpBand(s)), kWireStep);
  } else {
    // The last value reached the amplifier, whatever happened to the replies.
    amp_->ClearFaults();
    amp_->SetAcknowledgeSets(true);
    const sim::AmplifierState s = Amp();
    EXPECT_EQ(AmpBand(s).freq, Band().freq);
    EXPECT_NEAR(WireGain(AmpBand(s)), Band().eqGain, kWireStep);
    EXPECT_EQ(State(), controller::ConnectState::Connected);
  }
  // Usable afterwards: one more edit reaches the amplifier.
  Type(QString::asprintf("eq_gain_%d", kBand), QStringLiteral("4.5"));
  EXPECT_NEAR(WireGain(AmpBand(Amp())), 4.5f, kWireStep);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WireFaultTest,
    ::testing::Values(WireFaultCase{"DragEveryTenthReplyLost", Edit::Drag, Fault::EveryTenthDropped},
                      WireFaultCase{"DragSilentSets", Edit::Drag, Fault::Silent},
                      WireFaultCase{"DragCorruptReplies", Edit::Drag, Fault::Corrupt},
                      WireFaultCase{"DragSplitReply", Edit::Drag, Fault::Split},
                      WireFaultCase{"DragUnplugged", Edit::Drag, Fault::Unplug},
                      WireFaultCase{"DragReboot", Edit::Drag, Fault::Reboot},
                      WireFaultCase{"TypingEveryTenthReplyLost", Edit::Typing, Fault::EveryTenthDropped},
                      WireFaultCase{"TypingSilentSets", Edit::Typing, Fault::Silent},
                      WireFaultCase{"TypingCorruptReplies", Edit::Typing, Fault::Corrupt},
                      WireFaultCase{"TypingUnplugged", Edit::Typing, Fault::Unplug},
                      WireFaultCase{"TypingReboot", Edit::Typing, Fault::Reboot}),
    [](const ::testing::TestParamInfo<WireFaultCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vlm::test
