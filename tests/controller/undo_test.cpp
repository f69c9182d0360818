// Undo and redo in the real main window against the virtual amplifier: a
// band drag is one step and its undo puts the amplifier's own state back; a
// linked edit is one step on both channels; wheel steps merge; a text edit
// with the focus undoes its own text first; an undone load goes through the
// restore worker; a new connection's read-back empties the history; the
// mixer, open to close, is one step; the output menu, reset, lock, link
// and the equaliser reset are one step each; the menu names the step in
// every language.
#include <QTest>

#include "controller/window_fixture.h"
#include "controller/control_access.h"
#include "device/messages.h"
#include "eqview/qt/ui_equalizer.h"
#include "session/device_session.h"
#include "session/full_state.h"
#include "support/modal_answer.h"
#include "ui/language.h"
#include "windows/mixer_wnd.h"

namespace vlm::test {
namespace {

class UndoTest : public MainWindowTest {
 public:
  // For the table of operations below.
  using MainWindowTest::Click;
  using MainWindowTest::LinkDefaultPairs;
  using MainWindowTest::live;
  CMainWnd* wnd() { return wnd_.get(); }

 protected:
  controller::EditRecorder& recorder() { return mgr().recorder(); }
  const UndoHistory& history() { return recorder().history(); }
  // The model and the amplifier hold the same settings, and nothing is
  // recorded yet.
  sim::AmplifierState Synced() {
    EXPECT_TRUE(mgr().session().RestoreFullState(live()).ok());
    mgr().RefreshAllControls();
    recorder().Reset();
    return Amp();
  }
  static bool Same(const sim::AmplifierState& a, const sim::AmplifierState& b) {
    return a.scenes[0] == b.scenes[0] && a.acc == b.acc;
  }
  // A drag of band b by dy pixels, press, four moves, release.
  void DragBand(int b, int dy) {
    wnd_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd_.get()));
    auto* eq = Find<eqview::UIEqualizer>(QStringLiteral("equalizer"));
    mgr().curves().UpdateEqualizer(-1);
    const auto& r = eq->editor().band(b).square;
    const QPoint from((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    QTest::mouseMove(eq, from);
    QTest::mousePress(eq, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 4; ++i) QTest::mouseMove(eq, from + QPoint(0, dy * i / 4));
    QTest::mouseRelease(eq, Qt::LeftButton, {}, from + QPoint(0, dy));
  }
};

TEST_F(UndoTest, ABandDragIsOneStepAndItsUndoRestoresTheAmplifier) {
  const sim::AmplifierState start = Synced();
  DragBand(4, -40);
  ASSERT_EQ(history().UndoCount(), 1u);
  const sim::AmplifierState dragged = Amp();
  EXPECT_FALSE(Same(dragged, start));
  EXPECT_EQ(wnd_->UndoText(), QStringLiteral("Undo band 5 gain, CH1"));

  wnd_->Undo();
  EXPECT_TRUE(Same(Amp(), start));
  EXPECT_EQ(wnd_->RedoText(), QStringLiteral("Redo band 5 gain, CH1"));
  // The row and the curve show the band as it was.
  EXPECT_EQ(Shown(QStringLiteral("eq_gain_4")), QStringLiteral("0.0"));
  EXPECT_NEAR(Find<eqview::UIEqualizer>(QStringLiteral("equalizer"))->BandGain(4), 0.0f, 0.01f);
  wnd_->Redo();
  EXPECT_TRUE(Same(Amp(), dragged));
  EXPECT_FALSE(history().CanRedo());
  // A second drag is a step of its own.
  DragBand(4, 30);
  EXPECT_EQ(history().UndoCount(), 2u);
}

TEST_F(UndoTest, ALinkedEditIsOneStepOnBothChannels) {
  LinkDefaultPairs();
  const sim::AmplifierState start = Synced();
  Type(QStringLiteral("eq_gain_3"), QStringLiteral("4.5"));
  ASSERT_EQ(history().UndoCount(), 1u);
  EXPECT_EQ(history().NextUndo()->edits.size(), 2u);
  const sim::AmplifierState typed = Amp();
  EXPECT_NE(Out(typed, 1).eq[3].gainInt, Out(start, 1).eq[3].gainInt) << "the partner took it";
  wnd_->Undo();
  EXPECT_TRUE(Same(Amp(), start));
  wnd_->Redo();
  EXPECT_TRUE(Same(Amp(), typed));
}

TEST_F(UndoTest, StepsOnOneControlMergeAndOtherControlsAreStepsOfTheirOwn) {
  const sim::AmplifierState start = Synced();
  auto* gain = Find<QLineEdit>(QStringLiteral("eq_gain_2"));
  for (int i = 0; i < 3; ++i) Send(gain, ui::notify::kValueChangedUp);
  EXPECT_EQ(history().UndoCount(), 1u) << "arrow steps within a second";
  Send(Find(QStringLiteral("edit_ch_volume")), ui::notify::kValueChangedDown);
  Click(QStringLiteral("ch_phase"));
  Send(Find(QStringLiteral("ch_phase")), ui::notify::kSelectChanged);
  EXPECT_EQ(history().UndoCount(), 3u);
  while (history().CanUndo()) wnd_->Undo();
  EXPECT_TRUE(Same(Amp(), start));
  EXPECT_EQ(history().RedoCount(), 3u);
}

TEST_F(UndoTest, ATextEditWithTheFocusUndoesItsOwnTextFirst) {
  Synced();
  Type(QStringLiteral("eq_gain_1"), QStringLiteral("2.0"));
  ASSERT_EQ(history().UndoCount(), 1u);
  wnd_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd_.get()));
  auto* edit = Find<QLineEdit>(QStringLiteral("edt_dpi"));
  edit->setFocus();
  QApplication::setActiveWindow(wnd_.get());
  QTest::keyClicks(edit, QStringLiteral("7"));
  ASSERT_TRUE(edit->isUndoAvailable());
  wnd_->Undo();
  EXPECT_EQ(history().UndoCount(), 1u) << "the edit's own typing went first";
  EXPECT_FALSE(edit->isUndoAvailable());
  // With nothing of its own left to undo, the key undoes the window's step;
  // the edit's own redo still comes first.
  QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(history().UndoCount(), 0u);
  ASSERT_TRUE(edit->isRedoAvailable());
  QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_FALSE(edit->isRedoAvailable()) << "the edit redid its own typing";
  EXPECT_EQ(history().UndoCount(), 0u);
  edit->setText(QStringLiteral("96"));  // a text set by the program has no history
  QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(history().UndoCount(), 1u);
  QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(history().UndoCount(), 1u) << "nothing left to redo";
}

TEST_F(UndoTest, AnUndoneLoadIsRestoredByTheWorkerWithProgress) {
  const sim::AmplifierState start = Synced();
  // A loaded profile: the live settings replaced and pushed.
  const SceneProfile before = live();
  live().mainVolume = 20;
  live().source = 2;
  for (int c = 0; c < kOutputChannels; ++c) {
    for (int b = 0; b < kEqBands; ++b) live().eqArray(c)[static_cast<size_t>(b)].eqGain = -3.0f + 0.5f * static_cast<float>(c);
  }
  recorder().RecordLoad("edit_profile_load");
  ASSERT_TRUE(mgr().session().RestoreFullState(live()).ok());
  const sim::AmplifierState loaded = Amp();
  EXPECT_EQ(wnd_->UndoText(), QStringLiteral("Undo profile load"));

  wnd_->Undo();
  EXPECT_TRUE(recorder().Restoring());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder().Restoring() && !wnd_->LoadingWindow(); }, 10000));
  EXPECT_TRUE(Same(Amp(), start));
  EXPECT_EQ(live().mainVolume, before.mainVolume);
  EXPECT_FLOAT_EQ(live().eqArray(5)[3].eqGain, before.eqArray(5)[3].eqGain);
  // The loading window counted the settings sent: only those that differ.
  const QString progress = wnd_->LoadingText();
  EXPECT_TRUE(progress.startsWith(QStringLiteral("Restoring:"))) << progress.toStdString();
  const qsizetype of = progress.indexOf(QStringLiteral(" of "));
  const int total = progress.mid(of + 4).section(QLatin1Char(' '), 0, 0).toInt();
  EXPECT_GT(total, 12);
  EXPECT_LT(total, static_cast<int>(FullStateCommands(live()).size()));

  wnd_->Redo();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder().Restoring() && !wnd_->LoadingWindow(); }, 10000));
  EXPECT_TRUE(Same(Amp(), loaded));
}

TEST_F(UndoTest, ANewConnectionsReadBackEmptiesTheHistory) {
  Synced();
  Type(QStringLiteral("eq_gain_1"), QStringLiteral("2.0"));
  ASSERT_TRUE(history().CanUndo());
  ASSERT_TRUE(mgr().life().StartReadBack());
  EXPECT_TRUE(QTest::qWaitFor([&] { return mgr().IsDeviceConnected(); }, 10000));
  EXPECT_FALSE(history().CanUndo());
  EXPECT_FALSE(history().CanRedo());
}

TEST_F(UndoTest, TheMixerOpenToCloseIsOneStepWhoseUndoRestoresTheAmplifier) {
  live().inputs[0][4] = 0x1;
  live().inputMixVolume[0][0][4] = 60;
  live().inputMixVolume[0][1][4] = 0;
  live().source = 0;
  const sim::AmplifierState start = Synced();
  auto phase = [this] {
    Click(QStringLiteral("ch_phase"));
    Send(Find(QStringLiteral("ch_phase")), ui::notify::kSelectChanged);
  };
  phase();  // a step before the mixer stays its own
  const ui::ModalAnswerer previous = ui::SetModalAnswerer([](ui::UIWindow& w) {
    auto* mixer = qobject_cast<CMixerWnd*>(&w);
    ASSERT_NE(mixer, nullptr);
    mixer->RoutingOption(4, 1)->click();  // routed, level 100 from 0
    QLineEdit* level = mixer->LevelEdit(4, 0);
    level->setText(QStringLiteral("0"));  // a level of 0 ends the route
    ui::SendNotify(level, ui::notify::kReturn);
  });
  wnd_->RunMenuItem(QStringLiteral("advance_item_mixer"));
  ui::SetModalAnswerer(previous);
  const sim::AmplifierState mixed = Amp();
  ASSERT_EQ(live().inputs[0][4], 0x2);
  ASSERT_EQ(history().UndoCount(), 2u);
  EXPECT_EQ(history().NextUndo()->edits.size(), 3u) << "two levels and the routing";
  wnd_->Undo();
  EXPECT_EQ(history().UndoCount(), 1u);
  wnd_->Undo();
  EXPECT_TRUE(Same(Amp(), start));
  wnd_->Redo();
  wnd_->Redo();
  EXPECT_TRUE(Same(Amp(), mixed));
  // The next edit after the mixer is a step of its own.
  phase();
  EXPECT_EQ(history().UndoCount(), 3u);
}

// The operations of the output menu and its neighbours, each answered as
// the user would; `prepare` sets the live settings up first.
struct Operation {
  const char* name;
  void (*prepare)(UndoTest&);
  void (*run)(UndoTest&);
  const char* undoText;
};

ui::ModalAnswerer Reply(int result) {
  return [result](ui::UIWindow& w) { w.Close(result); };
}

// Channel 1 tuned apart from channel 0, so that a link copies something.
void TuneRight(UndoTest& t) {
  t.live().eqArray(1)[7].eqGain = -6.0f;
  t.live().channels[1].crossover.hp.fs = 5000;
  t.live().channels[1].gain = -3.0f;
  t.live().channels[1].mute = 1;
}

const Operation kOperations[] = {
    {"speaker position", [](UndoTest&) {},
     [](UndoTest& t) {
       t.Click(QStringLiteral("ch_output_btn_2"));
       t.wnd()->RunMenuItem(QStringLiteral("output_menu_center_all_freq"));
     },
     "Undo speaker position, CH3"},
    {"outputs emptied", [](UndoTest& t) { t.LinkDefaultPairs(); },
     [](UndoTest& t) {
       Answer a(Reply(ui::kResultThird));
       t.Click(QStringLiteral("btn_reset_output"));
     },
     nullptr},
    {"lock", [](UndoTest&) {},
     [](UndoTest& t) {
       Answer a(Reply(ui::kResultConfirm));
       t.Click(QStringLiteral("btn_lock_output"));
     },
     "Undo lock"},
    {"link copying right onto left", TuneRight,
     [](UndoTest& t) {
       Answer a(Reply(2));
       t.Click(QStringLiteral("btn_link_output"));
     },
     nullptr},
    {"link released", [](UndoTest& t) {
       t.LinkDefaultPairs();
       t.live().lockMode = 1;
       TuneRight(t);
     },
     [](UndoTest& t) { t.Click(QStringLiteral("btn_link_output")); }, "Undo link"},
    {"lock released while linked", [](UndoTest& t) {
       t.LinkDefaultPairs();
       t.live().lockMode = 1;
     },
     [](UndoTest& t) {
       Answer a(Reply(ui::kResultConfirm));
       t.Click(QStringLiteral("btn_lock_output"));
     },
     "Undo link"},
    {"equaliser reset", [](UndoTest& t) {
       t.LinkDefaultPairs();
       t.live().eqArray(0)[5].eqGain = 3.0f;
       t.live().eqArray(1)[9].freq = 900;
     },
     [](UndoTest& t) {
       Answer a(Reply(ui::kResultConfirm));
       t.Click(QStringLiteral("btn_reset_eq"));
     },
     "Undo equaliser reset, CH1"},
};

TEST_F(UndoTest, EachOutputOperationIsOneStepWhoseUndoAndRedoRestoreTheAmplifier) {
  for (const Operation& op : kOperations) {
    SCOPED_TRACE(op.name);
    live().linkMode = 0;
    live().lockMode = 0;
    live().linkOutputs.fill(-1);
    op.prepare(*this);
    const sim::AmplifierState start = Synced();
    op.run(*this);
    ASSERT_EQ(history().UndoCount(), 1u);
    if (op.undoText) {
      EXPECT_EQ(wnd_->UndoText(), QString::fromLatin1(op.undoText));
    }
    const sim::AmplifierState done = Amp();
    EXPECT_FALSE(Same(done, start));
    const SceneProfile after = live();
    wnd_->Undo();
    EXPECT_TRUE(Same(Amp(), start)) << "undone";
    wnd_->Redo();
    EXPECT_TRUE(Same(Amp(), done)) << "redone";
    EXPECT_TRUE(EditsBetween(live(), after).empty());
    // The buttons follow the settings undone and redone.
    EXPECT_EQ(controller::IsOn(Find<QAbstractButton>(QStringLiteral("btn_lock_output"))), after.lockMode == 1);
    EXPECT_EQ(controller::IsOn(Find<QAbstractButton>(QStringLiteral("btn_link_output"))), after.linkMode == 1);
    wnd_->Undo();
    EXPECT_TRUE(Same(Amp(), start));
  }
}

TEST_F(UndoTest, TheMenuNamesTheStepInEveryLanguage) {
  Synced();
  Type(QStringLiteral("eq_gain_1"), QStringLiteral("2.0"));
  for (const QString& lang : {QStringLiteral("en"), QStringLiteral("cn_zh"), QStringLiteral("ru")}) {
    wnd_->SwitchLanguage(lang);
    wnd_->ShowOptionMenu();
    ui::UIMenu* menu = wnd_->OpenMenu();
    ASSERT_NE(menu, nullptr);
    QAction* undo = menu->FindItem(QStringLiteral("option_item_undo"));
    ASSERT_NE(undo, nullptr);
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_FALSE(undo->text().contains(QStringLiteral("${"))) << undo->text().toStdString();
    EXPECT_TRUE(undo->text().contains(QStringLiteral("2"))) << undo->text().toStdString();
    EXPECT_FALSE(menu->FindItem(QStringLiteral("option_item_redo"))->isEnabled());
    menu->close();
  }
  // Every step name the edit table can give reads in every language.
  for (const QString& lang : {QStringLiteral("en"), QStringLiteral("cn_zh"), QStringLiteral("ru")}) {
    ASSERT_TRUE(ui::Language::Instance().Select(lang));
    std::vector<SettingTarget> targets;
    for (const EditKind& kind : EditKinds()) {
      targets.clear();
      kind.targets(live(), targets);
      for (const SettingTarget& t : targets) {
        for (int value : {-1, 0, 1, 2, 3}) {
          const StepName name = kind.name(t, value);
          const QString key = QStringLiteral("${%1}").arg(QString::fromStdString(name.key));
          EXPECT_NE(ui::Language::Instance().Resolve(key), key) << name.key << " in " << lang.toStdString();
        }
      }
    }
  }
}

}  // namespace
}  // namespace vlm::test
