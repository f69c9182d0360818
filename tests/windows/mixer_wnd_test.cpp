// The input mixer against the virtual amplifier: rows and window size per
// source, level edits with clamping and stepping, the routing option and its
// mask on the wire, focus moves.
#include <QAbstractButton>

#include "tool_fixture.h"
#include "ui/notification.h"
#include "windows/mixer_wnd.h"

namespace vlm::test {
namespace {

namespace nt = ui::notify;

class MixerWindowTest : public ToolWindowTest {
 protected:
  void TearDown() override {
    wnd_.reset();
    ToolWindowTest::TearDown();
  }
  void Open(int source) {
    wnd_ = std::make_unique<CMixerWnd>(nullptr, source, store_.live(), *link_);
    wnd_->SetDeleteOnClose(false);
    ASSERT_TRUE(wnd_->Create(QStringLiteral("XML_MIXER")));
  }
  void Type(int o, int i, const QString& text, const QString& commit = nt::kReturn) {
    QLineEdit* e = wnd_->LevelEdit(o, i);
    ASSERT_NE(e, nullptr);
    e->setText(text);
    ui::SendNotify(e, commit);
  }
  const sim::SourceSettings& Src(const sim::AmplifierState& s, int source) {
    return s.scenes[0].sources[static_cast<size_t>(source)];
  }
  std::unique_ptr<CMixerWnd> wnd_;
};

TEST_F(MixerWindowTest, RowsTitlesAndHeightFollowTheSource) {
  const int rows[] = {2, 2, 2, 2, 0, 10, 2};
  int fullHeight = 0;
  for (int s = 0; s < kInputSources; ++s) {
    SCOPED_TRACE(s);
    Open(s);
    EXPECT_EQ(wnd_->Rows(), rows[s]);
    const QSize initial = wnd_->InitialSize();
    fullHeight = initial.height();
    EXPECT_EQ(wnd_->height(), wnd_->Scaled(rows[s] * 50 + initial.height() - 600));
    for (int i = 0; i < 12; ++i) {
      EXPECT_EQ(!wnd_->FindControl<QWidget>(QStringLiteral("box_3_%1").arg(i))->isHidden(), i < rows[s]) << i;
      EXPECT_EQ(!wnd_->FindControl<QWidget>(QStringLiteral("title_label_%1").arg(i))->isHidden(), i < rows[s]) << i;
      if (i < 11) {
        EXPECT_EQ(!wnd_->FindControl<QWidget>(QStringLiteral("box_grap_3_%1").arg(i))->isHidden(), i < rows[s] - 1);
        EXPECT_EQ(!wnd_->FindControl<QWidget>(QStringLiteral("left_grap_%1").arg(i))->isHidden(), i < rows[s] - 1);
      }
    }
    // Rows past the source's inputs (and past the model's ten) are never bound.
    EXPECT_EQ(wnd_->LevelEdit(0, rows[s]), nullptr);
    wnd_.reset();
  }
  Open(5);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(wnd_->FindControl<QLabel>(QStringLiteral("title_label_%1").arg(i))->text(),
              Resolved("source_hi") + QString::number(i + 1));
  }
  EXPECT_GT(fullHeight, 600);
}

TEST_F(MixerWindowTest, LevelsAreClampedAndKeepTheRoutingConsistent) {
  store_.live().inputs[5][2] = 0;  // nothing routed to output 2
  store_.live().inputMixVolume[5][1][2] = 0;
  Open(5);
  QAbstractButton* route = wnd_->RoutingOption(2, 1);
  ASSERT_NE(route, nullptr);
  EXPECT_FALSE(route->isChecked());
  EXPECT_EQ(wnd_->LevelEdit(2, 1)->text(), QStringLiteral("0"));

  // 250 shows and sends 100, and routes input 1 to output 2.
  Type(2, 1, QStringLiteral("250"));
  EXPECT_EQ(wnd_->LevelEdit(2, 1)->text(), QStringLiteral("100"));
  EXPECT_TRUE(route->isChecked());
  sim::AmplifierState s = Amp();
  EXPECT_EQ(Src(s, 5).mixTrim[1][2], 100);
  EXPECT_EQ(Src(s, 5).mix[2], 1 << 1);  // the mask reaches the amplifier too
  EXPECT_EQ(store_.live().inputs[5][2], 1 << 1);

  // Stepping stays within 0..100; 0 clears the routing option and the mask.
  ui::SendNotify(wnd_->LevelEdit(2, 1), nt::kValueChangedUp);
  EXPECT_EQ(wnd_->LevelEdit(2, 1)->text(), QStringLiteral("100"));
  ui::SendNotify(wnd_->LevelEdit(2, 1), nt::kValueChangedDown);
  EXPECT_EQ(Amp().scenes[0].sources[5].mixTrim[1][2], 99);
  Type(2, 1, QStringLiteral("0"), nt::kKillFocus);
  EXPECT_FALSE(route->isChecked());
  s = Amp();
  EXPECT_EQ(Src(s, 5).mixTrim[1][2], 0);
  EXPECT_EQ(Src(s, 5).mix[2], 0);
  // Text that is no number reads as 0; a negative level as 0.
  Type(2, 1, QStringLiteral("abc"));
  EXPECT_EQ(wnd_->LevelEdit(2, 1)->text(), QStringLiteral("0"));
  Type(2, 1, QStringLiteral("-7"));
  EXPECT_EQ(wnd_->LevelEdit(2, 1)->text(), QStringLiteral("0"));
}

TEST_F(MixerWindowTest, EnablingACrosspointSendsItsMaskAndLevel100OnlyFromZero) {
  store_.live().inputs[0][4] = 0;
  store_.live().inputMixVolume[0][0][4] = 0;
  store_.live().inputMixVolume[0][1][4] = 35;
  Open(0);
  wnd_->RoutingOption(4, 0)->click();
  EXPECT_EQ(wnd_->LevelEdit(4, 0)->text(), QStringLiteral("100"));
  sim::AmplifierState s = Amp();
  EXPECT_EQ(Src(s, 0).mixTrim[0][4], 100);
  EXPECT_EQ(Src(s, 0).mix[4], 0x1);

  // Level 35 stays 35 (the amplifier's level is not touched), the mask goes out.
  amp_->WithState([](sim::AmplifierState& a) { a.scenes[0].sources[0].mixTrim[1][4] = 77; });
  wnd_->RoutingOption(4, 1)->click();
  EXPECT_EQ(wnd_->LevelEdit(4, 1)->text(), QStringLiteral("35"));
  s = Amp();
  EXPECT_EQ(Src(s, 0).mixTrim[1][4], 77);
  EXPECT_EQ(Src(s, 0).mix[4], 0x3);

  // Clearing sends level 0 and the smaller mask.
  wnd_->RoutingOption(4, 0)->click();
  s = Amp();
  EXPECT_EQ(Src(s, 0).mixTrim[0][4], 0);
  EXPECT_EQ(Src(s, 0).mix[4], 0x2);
  // The crosspoint phase is neither stored nor sent.
  const uint64_t before = amp_->counters().reportsReceived;
  wnd_->FindControl<QAbstractButton>(QStringLiteral("box_phase_4_0"))->click();
  EXPECT_EQ(amp_->counters().reportsReceived, before);
}

TEST_F(MixerWindowTest, ArrowsWrapAndFocusLeavesAnEditAfterItsCommit) {
  EXPECT_EQ(MixerArrowTarget({11, 0}, true, 2).output, 0);
  EXPECT_EQ(MixerArrowTarget({11, 0}, true, 2).input, 1);
  EXPECT_EQ(MixerArrowTarget({11, 1}, true, 2).input, 0);
  EXPECT_EQ(MixerArrowTarget({0, 0}, false, 10).output, 11);
  EXPECT_EQ(MixerArrowTarget({0, 0}, false, 10).input, 9);

  Open(3);
  wnd_->show();
  wnd_->activateWindow();
  ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == wnd_.get(); }));
  QLineEdit* a = wnd_->LevelEdit(11, 1);
  QLineEdit* b = wnd_->LevelEdit(0, 0);
  a->setFocus();
  ui::SendNotify(a, nt::kValueChangedRight);  // from the last row's output 11 to row 0, output 0
  QCoreApplication::processEvents();
  EXPECT_TRUE(b->hasFocus());
  // Moving the focus on commits both edits and leaves it where it went.
  QLineEdit* c = wnd_->LevelEdit(5, 0);
  c->setFocus();
  QCoreApplication::processEvents();
  EXPECT_TRUE(c->hasFocus());
  EXPECT_FALSE(b->hasFocus());
  // Enter keeps it, with the text selected.
  ui::SendNotify(c, nt::kReturn);
  EXPECT_TRUE(c->hasFocus());
  EXPECT_EQ(c->selectedText(), c->text());
}

}  // namespace
}  // namespace vlm::test
