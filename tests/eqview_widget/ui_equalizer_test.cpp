// The curve control on the offscreen platform: mouse gestures through Qt,
// notifications, attributes, and what ends up on screen.
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "eqview/channel_response.h"
#include "eqview/qt/ui_equalizer.h"
#include "ui/control_factory.h"
#include "ui/window.h"

namespace vlm::eqview {
namespace {

struct B {
  float gain;
  int freq;
  float q;
};

class UIEqualizerTest : public testing::Test {
 protected:
  void SetUp() override {
    eq = std::make_unique<UIEqualizer>();
    eq->setObjectName("equalizer");
    eq->setStyleSheet("background-color: #202020;");
    eq->resize(600, 300);
    eq->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(eq.get()));
  }
  void SetBands(std::vector<B> bands, int current, bool bypassed = false) {
    std::vector<BandInput> in;
    for (const B& b : bands) in.push_back({b.gain, EqBand{b.gain, b.q, b.freq, true}});
    eq->SetBands(in, current, bypassed);
  }
  QPoint Centre(int band) const {
    const Rect& r = eq->editor().band(band).square;
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Drag(QPoint from, QPoint to, int steps = 5) {
    QTest::mouseMove(eq.get(), from);
    QTest::mousePress(eq.get(), Qt::LeftButton, {}, from);
    for (int i = 1; i <= steps; ++i) {
      QTest::mouseMove(eq.get(), from + (to - from) * i / steps);
    }
    QTest::mouseRelease(eq.get(), Qt::LeftButton, {}, to);
  }
  static QStringList Types(const QSignalSpy& spy) {
    QStringList out;
    for (const QList<QVariant>& args : spy) out << args.at(0).toString();
    return out;
  }

  std::unique_ptr<UIEqualizer> eq;
};

TEST_F(UIEqualizerTest, LayoutsCreateItByTheCurveClassName) {
  std::unique_ptr<QWidget> made(ui::CreateCustomControl("curve", nullptr, "equalizer"));
  auto* curve = qobject_cast<UIEqualizer*>(made.get());
  ASSERT_NE(curve, nullptr);
  EXPECT_EQ(curve->GetClass(), "UIEqualizer");
  EXPECT_EQ(curve->objectName(), "equalizer");
  EXPECT_EQ(curve->HpFreq(), -1);
  EXPECT_EQ(curve->CurrentBand(), -1);
}

TEST_F(UIEqualizerTest, PlotMappingsFollowTheWidgetSize) {
  SetBands({{0.0f, 632, 1.0f}, {12.0f, 1000, 1.0f}, {-18.0f, 1000, 1.0f}}, -1);
  const CurveGeometry& g = eq->editor().geometry();
  Rect plot = g.plot();
  // The axis labels and band numbers take the edges; the plot the rest.
  EXPECT_GT(plot.left, 0);
  EXPECT_LT(plot.right, 600);
  EXPECT_GT(plot.Height(), 150);
  EXPECT_NEAR(eq->editor().band(0).point.x, (plot.left + plot.right) / 2, 1);
  EXPECT_EQ(eq->editor().band(1).point.y, g.YFromGain(12));
  EXPECT_EQ(eq->editor().band(2).point.y, g.YFromGain(-18));
  EXPECT_LT(g.YFromGain(-18), plot.bottom) << "-24 dB is the bottom edge";
  // A resize lays the plot out again.
  eq->resize(800, 400);
  QTest::qWait(1);
  eq->grab();
  plot = eq->editor().geometry().plot();
  EXPECT_GT(plot.right, 700);
  EXPECT_NEAR(eq->editor().band(0).point.x, (plot.left + plot.right) / 2, 1);
}

TEST_F(UIEqualizerTest, GraphicModeDragKeepsFrequencyAndNotifiesWithTheIndex) {
  SetBands({{0.0f, 100, 1.0f}, {3.0f, 1000, 1.0f}}, -1);
  QSignalSpy spy(eq.get(), &UIEqualizer::notify);
  Drag(Centre(1), Centre(1) + QPoint(120, 90));
  EXPECT_EQ(eq->BandFrequency(1), 1000);
  EXPECT_LT(eq->BandGain(1), -2.0f);
  EXPECT_EQ(eq->property("userdata").toString(), "1");
  ASSERT_GE(spy.size(), 2);
  for (const QList<QVariant>& args : spy) {
    EXPECT_EQ(args.at(0).toString(), "equalizer_eq");
    EXPECT_EQ(args.at(1).toInt(), 1);
  }
}

TEST_F(UIEqualizerTest, DragAllModeMovesTheBandAcross) {
  eq->SetDragAllDirection(true);
  SetBands({{0.0f, 100, 1.0f}}, -1);
  const CurveGeometry& g = eq->editor().geometry();
  Drag(Centre(0), QPoint(g.XFromFrequency(632), g.YFromGain(6)));
  EXPECT_NEAR(eq->BandFrequency(0), 632, 10);
  EXPECT_NEAR(eq->BandGain(0), 6.0f, 0.15f);
}

TEST_F(UIEqualizerTest, HighPassMarkerStopsBelowTheLowPass) {
  eq->setCurEqHpLp(100, 400);
  const Rect hp = eq->editor().hpMarker();
  const QPoint grab((hp.left + hp.right) / 2, hp.top + 3);
  QSignalSpy spy(eq.get(), &UIEqualizer::notify);
  Drag(grab, QPoint(550, grab.y()), 40);
  EXPECT_LT(eq->HpFreq(), 400);
  EXPECT_GT(eq->HpFreq(), 300);
  EXPECT_EQ(eq->LpFreq(), 400);
  ASSERT_FALSE(spy.isEmpty());
  EXPECT_EQ(Types(spy).back(), "equalizer_hp");
  EXPECT_FALSE(Types(spy).contains("equalizer_lp"));
}

TEST_F(UIEqualizerTest, QHandleDragFromOneToManyPixels) {
  eq->SetDragAllDirection(true);
  SetBands({{4.0f, 632, 1.0f}}, 0);
  const int bx = eq->editor().band(0).point.x;
  const Rect handle = eq->editor().qHandles().second;
  const QPoint grab((handle.left + handle.right) / 2, (handle.top + handle.bottom) / 2);
  QTest::mousePress(eq.get(), Qt::LeftButton, {}, grab);
  QTest::mouseMove(eq.get(), QPoint(bx + 40, grab.y()));
  QTest::mouseMove(eq.get(), QPoint(bx + 1, grab.y()));
  EXPECT_FLOAT_EQ(eq->BandQ(0), 24.0f);
  QTest::mouseMove(eq.get(), QPoint(bx + 100, grab.y()));
  QTest::mouseRelease(eq.get(), Qt::LeftButton, {}, QPoint(bx + 162, grab.y()));
  EXPECT_FLOAT_EQ(eq->BandQ(0), 0.5f);
  EXPECT_EQ(eq->BandFrequency(0), 632);
}

TEST_F(UIEqualizerTest, HoveringTheCurrentBandRaisesNothing) {
  SetBands({{1.0f, 100, 1.0f}, {2.0f, 1000, 1.0f}, {3.0f, 5000, 1.0f}}, 2);
  QSignalSpy spy(eq.get(), &UIEqualizer::notify);
  QTest::mouseMove(eq.get(), Centre(2));
  QTest::mouseMove(eq.get(), Centre(2) + QPoint(1, 1));
  EXPECT_TRUE(spy.isEmpty());
  QTest::mouseMove(eq.get(), Centre(1));
  ASSERT_EQ(spy.size(), 1);
  EXPECT_EQ(spy.at(0).at(0).toString(), "equalizer_eq");
  EXPECT_EQ(spy.at(0).at(1).toInt(), 1);
  EXPECT_EQ(eq->CurrentBand(), 1);
}

TEST_F(UIEqualizerTest, LayoutAttributesArriveAsDynamicProperties) {
  eq->setProperty("curvecolor", "#FFFF0000 #FF00FF00 #8000FF");
  eq->setProperty("textcolor", "FF112233");
  eq->setProperty("align", "left");
  eq->setProperty("valign", "bottom");
  eq->setProperty("textpadding", "1,2,3,4");
  const std::vector<uint32_t> expected = {0xFFFF0000u, 0xFF00FF00u, 0xFF8000FFu};
  EXPECT_EQ(eq->editor().curveColours(), expected);
  EXPECT_EQ(eq->textColor(), 0xFF112233u);
  EXPECT_EQ(eq->textAlignment(), Qt::AlignLeft | Qt::AlignBottom);
  EXPECT_EQ(eq->textPadding(), QMargins(1, 2, 3, 4));
  // "font" is also the widget's own font property, so a layout names the
  // font index "fontindex"; both reach the same setting.
  eq->setProperty("fontindex", "3");
  EXPECT_EQ(eq->fontIndex(), 3);
  eq->SetAttribute("font", "1");
  EXPECT_EQ(eq->fontIndex(), 1);
  // At most twelve colours are kept.
  eq->SetAttribute("curvecolor", QString("#FF000001 ").repeated(20).trimmed());
  EXPECT_EQ(eq->editor().curveColours().size(), 12u);
}

// A window that records what reaches its handler.
class ProbeWindow : public ui::UIWindow {
 public:
  ProbeWindow() : ui::UIWindow("ProbeWnd", "probe") {}
  QStringList received;

 protected:
  void Notify(ui::Notification& n) override {
    received << QString("%1 %2 %3").arg(n.type, n.SenderName()).arg(ui::UserDataIndex(n.sender));
  }
};

TEST(UIEqualizerInWindow, NotifiesItsWindowAndTakesItsScale) {
  ProbeWindow window;
  window.resize(700, 400);
  auto* eq = new UIEqualizer(&window);
  eq->setObjectName("equalizer");
  eq->setGeometry(0, 0, 600, 300);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  std::vector<BandInput> bands = {{2.0f, EqBand{2.0f, 1.0f, 100, true}}, {3.0f, EqBand{3.0f, 1.0f, 1000, true}}};
  eq->SetBands(bands, -1);
  const Rect& square = eq->editor().band(1).square;
  QTest::mouseMove(eq, QPoint((square.left + square.right) / 2, (square.top + square.bottom) / 2));
  EXPECT_EQ(window.received, QStringList{"equalizer_eq equalizer 1"});
  eq->setCurEqHpLp(100, 1000);
  const Rect& lp = eq->editor().lpMarker();
  QTest::mousePress(eq, Qt::LeftButton, {}, QPoint(lp.left + 2, lp.top + 2));
  QTest::mouseRelease(eq, Qt::LeftButton, {}, QPoint(lp.left + 40, lp.top + 2));
  EXPECT_EQ(window.received.last(), "equalizer_lp equalizer 1");
  EXPECT_GT(eq->LpFreq(), 1000);

  EXPECT_EQ(eq->ScalePercent(), 100);
  window.SetDpi(192);
  EXPECT_EQ(eq->ScalePercent(), 200);
  eq->grab();
  EXPECT_EQ(eq->editor().geometry().Scaled(8), 16);
}

// Pixels that differ between two renderings inside `area`.
int Differences(const QImage& a, const QImage& b, QRect area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  }
  return n;
}

TEST_F(UIEqualizerTest, AllBypassCaptionFollowsTheBypassFlag) {
  SetBands({{0.0f, 20, 1.0f}, {0.0f, 25, 1.0f}}, -1, true);
  ASSERT_TRUE(eq->editor().allBypass());
  const QImage bypassed = eq->grab().toImage();
  // Flat but playing: no caption.
  SetBands({{0.0f, 20, 1.0f}, {0.0f, 25, 1.0f}}, -1);
  ASSERT_FALSE(eq->editor().allBypass());
  const QImage live = eq->grab().toImage();
  EXPECT_GT(Differences(bypassed, live, QRect(150, 150, 300, 40)), 20);
}

TEST_F(UIEqualizerTest, CurvePointsAbove20100HzAreNotDrawn) {
  auto draw = [this](double topHz) {
    std::vector<double> freqs(kCurvePoints, 0.0), levels(kCurvePoints, 6.0);
    freqs[kCurvePoints - 1] = topHz;
    freqs[kCurvePoints - 2] = 1000;
    freqs[kCurvePoints - 3] = 100;
    freqs[kCurvePoints - 4] = 50;
    const std::vector<int> show = {1};
    eq->SetCurves(freqs.data(), levels.data(), 1, 0, show);
    return eq->grab().toImage();
  };
  const QImage empty = eq->grab().toImage();
  const QImage with = draw(20100);
  const QImage without = draw(20101);
  // At +6 dB: between 1 kHz and 20 kHz, and between 100 Hz and 1 kHz.
  const CurveGeometry& g = eq->editor().geometry();
  const int y = g.YFromGain(6);
  const QRect nearTop(g.XFromFrequency(8000), y - 5, g.XFromFrequency(16000) - g.XFromFrequency(8000), 10);
  const QRect middle(g.XFromFrequency(200), y - 5, g.XFromFrequency(500) - g.XFromFrequency(200), 10);
  EXPECT_GT(Differences(empty, with, nearTop), 10);
  EXPECT_EQ(Differences(empty, without, nearTop), 0);
  EXPECT_GT(Differences(empty, without, middle), 10);
}

TEST_F(UIEqualizerTest, RendersCurvesSelectedBandAndMarkersAtTwoScales) {
  auto profile = std::make_unique<SceneProfile>();
  for (int c = 0; c < kOutputChannels; ++c) {
    auto bands = profile->eqArray(c);
    bands[8 + c].eqGain = static_cast<float>(c % 5) * 2.0f - 4.0f;
    bands[20].eqGain = 3.0f;
    ComposeChannelResponse(*profile, c, false);
  }
  const std::vector<BandInput> in = ChannelBandInputs(*profile, 0);
  eq->setProperty("curvecolor",
                  "#FF00C000 #FFE04040 #FF4080FF #FFFFC000 #FFC040FF #FF40E0E0 #FFFF8040 #FF80FF80 #FFA0A0FF "
                  "#FFFF80C0 #FFC0C0C0 #FFFFFF80");
  eq->setProperty("fontindex", "1");
  eq->setProperty("bypassfont", "5");
  eq->SetDragAllDirection(true);
  for (int scale : {100, 200}) {
    eq->SetScalePercent(scale);
    eq->resize(600 * scale / 100, 300 * scale / 100);
    eq->SetBands(in, 20);
    eq->setCurEqHpLp(profile->channels[0].crossover.hp.fs, 12000);
    profile->showChEqualizer.fill(1);
    eq->SetCurves(*profile, 0);
    const QImage shot = eq->grab().toImage();
    ASSERT_EQ(shot.width(), 600 * scale / 100);
    const char* dir = std::getenv("VLM_EQVIEW_SHOTS");
    if (dir != nullptr) shot.save(QString("%1/eqview_%2.png").arg(dir).arg(scale));
    // The selected band's Q handles are outlined in red.
    const Rect handle = eq->editor().qHandles().first;
    bool red = false;
    for (int x = handle.left; x <= handle.right && !red; ++x) {
      const QColor c = shot.pixelColor(x, handle.top);
      red = c.red() > 200 && c.green() < 60 && c.blue() < 60;
    }
    EXPECT_TRUE(red) << scale;
  }
}

}  // namespace
}  // namespace vlm::eqview
