// What the window shows is what the amplifier holds: values are shown as
// the wire carries them, commits that change nothing send nothing, slopes a
// filter cannot have are not offered, texts use the language's units and the
// "k" of frequencies, and the ACC shows "off" at its minimum.
#include <QListView>
#include <QStandardItemModel>

#include "controller/control_access.h"
#include "ui/language.h"
#include "window_fixture.h"

namespace vlm::test {
namespace {

using ui::notify::kKillFocus;
using ui::notify::kReturn;

constexpr uint8_t kFilterCommand = 0x05;
constexpr uint8_t kTrimCommand = 0x08;
constexpr uint8_t kMainVolumeCommand = 0x02;

class ShownValuesTest : public MainWindowTest {
 protected:
  void TearDown() override {
    ui::Language::Instance().Select(QStringLiteral("en"));
    MainWindowTest::TearDown();
  }
  // Slope entries the list offers (shown and selectable).
  std::vector<int> OfferedSlopes(const char* combo) {
    auto* c = Find<QComboBox>(QString::fromLatin1(combo));
    auto* view = qobject_cast<QListView*>(c->view());
    auto* model = qobject_cast<QStandardItemModel*>(c->model());
    std::vector<int> out;
    for (int i = 1; i < c->count(); ++i) {
      if (!view->isRowHidden(i) && model->item(i)->isEnabled()) out.push_back(i);
    }
    return out;
  }
};

TEST_F(ShownValuesTest, ChannelGainShowsTheWholeDecibelsSent) {
  StartTrace();
  Type(QStringLiteral("edit_ch_volume"), QStringLiteral("-3.5"));
  EXPECT_FLOAT_EQ(live().channels[0].gain, -3.0f);
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QStringLiteral("-3dB"));
  EXPECT_EQ(Find<QSlider>(QStringLiteral("slider_ch_volume"))->value(), -30);
  EXPECT_EQ(Out(Amp(), 0).trim, 3);
  EXPECT_EQ(CountSent(kTrimCommand), 1);
  // Typed again, or rounded to the same whole dB: nothing more is sent.
  StartTrace();
  Type(QStringLiteral("edit_ch_volume"), QStringLiteral("-3.7"));
  Type(QStringLiteral("edit_ch_volume"), QStringLiteral("-3"));
  EXPECT_EQ(CountSent(kTrimCommand), 0);
  // Clamped to the value it had: nothing is sent either.
  Type(QStringLiteral("edit_ch_volume"), QStringLiteral("40"));
  StartTrace();
  Type(QStringLiteral("edit_ch_volume"), QStringLiteral("50"));
  EXPECT_EQ(CountSent(kTrimCommand), 0);
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QStringLiteral("12dB"));
}

TEST_F(ShownValuesTest, CommitsThatChangeNothingSendNothing) {
  StartTrace();
  auto* hp = Find<QLineEdit>(QStringLiteral("hp_freq"));
  hp->setText(QStringLiteral("5000"));
  Send(hp, kReturn);
  Send(hp, kKillFocus);  // the focus leaving after Enter
  EXPECT_EQ(CountSent(kFilterCommand), 1);
  EXPECT_EQ(Out(Amp(), 0).hp.freq, 5000);
  // A corner clamped to the one it had.
  mgr().channels().SetCurChannelChange(2);  // front-left mid: low-pass 1900
  Type(QStringLiteral("hp_freq"), QStringLiteral("5000"));
  StartTrace();
  Type(QStringLiteral("hp_freq"), QStringLiteral("6000"));
  EXPECT_EQ(CountSent(kFilterCommand), 0);
  EXPECT_EQ(Shown(QStringLiteral("hp_freq")), QStringLiteral("1900Hz"));
  // The main volume at its maximum, typed higher.
  Type(QStringLiteral("edit_main_volume"), QStringLiteral("99"));
  StartTrace();
  Type(QStringLiteral("edit_main_volume"), QStringLiteral("98"));
  EXPECT_EQ(CountSent(kMainVolumeCommand), 0);
}

TEST_F(ShownValuesTest, FrequenciesTypedWithKReachTheAmplifier) {
  mgr().channels().SetCurChannelChange(2);  // front-left mid: 600..1900 Hz
  Type(QStringLiteral("lp_freq"), QStringLiteral("1,25k"));
  EXPECT_EQ(Out(Amp(), 2).lp.freq, 1250);
  Type(QStringLiteral("lp_freq"), QString::fromUtf8("2к5"));
  EXPECT_EQ(Out(Amp(), 2).lp.freq, 2500);
  // Anything else shows the stored value again and sends nothing.
  StartTrace();
  Type(QStringLiteral("lp_freq"), QStringLiteral("2k5k"));
  EXPECT_EQ(Shown(QStringLiteral("lp_freq")), QStringLiteral("2500Hz"));
  EXPECT_EQ(CountSent(kFilterCommand), 0);
}

TEST_F(ShownValuesTest, LinkwitzRileyOffersEvenSlopesOnly) {
  EXPECT_EQ(OfferedSlopes("hp_slop"), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  Pick(QStringLiteral("hp_type"), 1);  // Linkwitz-Riley
  EXPECT_EQ(live().channels[0].crossover.hp.type, 2);
  EXPECT_EQ(OfferedSlopes("hp_slop"), (std::vector<int>{2, 4, 6, 8}));
  EXPECT_EQ(OfferedSlopes("lp_slop").size(), 8u);
  // An odd slope read from the amplifier is still shown.
  live().channels[1].crossover.lp.SetType(2);
  live().channels[1].crossover.lp.SetSlope(3);
  mgr().channels().SetCurChannelChange(1);
  EXPECT_EQ(Find<QComboBox>(QStringLiteral("lp_slop"))->currentIndex(), 3);
  EXPECT_EQ(OfferedSlopes("lp_slop"), (std::vector<int>{2, 4, 6, 8}));
  Pick(QStringLiteral("lp_type"), 0);
  EXPECT_EQ(OfferedSlopes("lp_slop").size(), 8u);
}

TEST_F(ShownValuesTest, EditsUseTheLanguagesUnitsAndReadThemBack) {
  ASSERT_TRUE(ui::Language::Instance().Select(QStringLiteral("ru")));
  ui::RetranslateAll();
  mgr().channels().SetCurChannelChange(2);
  EXPECT_EQ(Shown(QStringLiteral("hp_freq")), QString::fromUtf8("600Гц"));
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QString::fromUtf8("0дБ"));
  Type(QStringLiteral("hp_freq"), QString::fromUtf8("700 Гц"));
  EXPECT_EQ(live().channels[2].crossover.hp.fs, 700);
  Type(QStringLiteral("edit_ch_volume"), QString::fromUtf8("-4дБ"));
  EXPECT_FLOAT_EQ(live().channels[2].gain, -4.0f);
  Type(QStringLiteral("edit_ch_volume"), QStringLiteral("-5dB"));  // the other spelling too
  EXPECT_FLOAT_EQ(live().channels[2].gain, -5.0f);
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QString::fromUtf8("-5дБ"));
  // The shown texts follow a change of language.
  ASSERT_TRUE(ui::Language::Instance().Select(QStringLiteral("en")));
  ui::RetranslateAll();
  EXPECT_EQ(Shown(QStringLiteral("hp_freq")), QStringLiteral("700Hz"));
}

TEST_F(ShownValuesTest, AccShowsOffAtItsMinimum) {
  Type(QStringLiteral("edit_acc"), QStringLiteral("0"), kReturn);
  EXPECT_EQ(Key(QStringLiteral("edit_acc")), QStringLiteral("${off}"));
  Slide(QStringLiteral("slider_acc"), 5);
  EXPECT_EQ(Shown(QStringLiteral("edit_acc")), QStringLiteral("5"));
  Slide(QStringLiteral("slider_acc"), 0);
  EXPECT_EQ(Key(QStringLiteral("edit_acc")), QStringLiteral("${off}"));
  EXPECT_EQ(Amp().acc, 0);
  // "off" typed back is the minimum, and changes nothing.
  Type(QStringLiteral("edit_acc"), ui::Language::Instance().Resolve(QStringLiteral("${off}")), kReturn);
  EXPECT_EQ(live().acc, 0);
}

// Controls without text carry a tool tip in the chosen language.
TEST_F(ShownValuesTest, TextlessControlsHaveToolTipsInEachLanguage) {
  const controller::MainControls& k = mgr().controls();
  std::vector<QAbstractButton*> buttons(k.speaker.begin() + 1, k.speaker.end());
  buttons.insert(buttons.end(), k.chShow.begin(), k.chShow.end());
  buttons.insert(buttons.end(), k.eqEnable.begin(), k.eqEnable.end());
  std::vector<QString> english;
  for (QAbstractButton* b : buttons) {
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(b->toolTip().isEmpty()) << b->objectName().toStdString();
    EXPECT_FALSE(b->toolTip().contains(QStringLiteral("${"))) << b->objectName().toStdString();
    english.push_back(b->toolTip());
  }
  // Each speaker position is told apart.
  EXPECT_NE(k.speaker[1]->toolTip(), k.speaker[2]->toolTip());
  ASSERT_TRUE(ui::Language::Instance().Select(QStringLiteral("ru")));
  ui::RetranslateAll();
  for (size_t i = 0; i < buttons.size(); ++i) {
    EXPECT_NE(buttons[i]->toolTip(), english[i]) << buttons[i]->objectName().toStdString();
    EXPECT_FALSE(buttons[i]->toolTip().contains(QStringLiteral("${")));
  }
}

}  // namespace
}  // namespace vlm::test
