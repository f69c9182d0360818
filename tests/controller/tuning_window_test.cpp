// The tuning window on the real main window against the virtual amplifier:
// a synthetic measurement is loaded, fitted on the worker and applied; the
// amplifier then holds exactly the fitted bands. Nothing reaches it before
// Apply, and a stopped fit or a bad file changes nothing.
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

#include "app/main_wnd_tools.h"
#include "controller/window_fixture.h"
#include "eqview/qt/ui_equalizer.h"
#include "tune/curve_math.h"
#include "tune/synthetic.h"
#include "windows/tune_plot.h"
#include "tune/tuning_session.h"
#include "windows/tuning_wnd.h"

namespace vlm::test {
namespace {

bool SameBands(const sim::OutputChannel& a, const sim::OutputChannel& b) {
  for (size_t i = 0; i < a.eq.size(); ++i) {
    const sim::WireEqBand& x = a.eq[i];
    const sim::WireEqBand& y = b.eq[i];
    if (x.freq != y.freq || x.qHundredths != y.qHundredths || x.gainInt != y.gainInt || x.gainTenths != y.gainTenths)
      return false;
  }
  return a.peqBypass == b.peqBypass;
}

class TuningWindowTest : public MainWindowTest {
 protected:
  // The case's measurement as a measurement program exports it, with the
  // record of the channel's settings the measuring run writes.
  QString WriteMeasurement(const tune::SyntheticCase& c, const QString& name, const std::string& record = {}) {
    const tune::Curve curve = tune::SynthesiseMeasurement(c.speaker, c.channel);
    std::string text = "Freq(Hz) SPL(dB)\n";
    if (!record.empty()) text += record + "\n";
    char line[64];
    for (size_t i = 0; i < curve.size(); ++i) {
      std::snprintf(line, sizeof line, "%.4f %.4f\n", curve.hz[i], curve.db[i]);
      text += line;
    }
    return Write(name, text);
  }
  QString Write(const QString& name, const std::string& text) {
    const QString path = files_.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), static_cast<qint64>(text.size()));
    return path;
  }
  // Channel `channel` holds case `c`'s crossovers, on the amplifier too.
  const tune::SyntheticCase& UseCase(int index, int channel) {
    cases_ = tune::SyntheticCases();
    const tune::SyntheticCase& c = cases_.at(static_cast<size_t>(index));
    tune::PutCaseIntoProfile(c, live(), channel);
    mgr().channels().SetCurChannelChange(channel);
    return c;
  }
  std::unique_ptr<CTuningWnd> Open() {
    std::unique_ptr<CTuningWnd> w(MakeTuningWindowFor(*wnd_));
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    return w;
  }
  static bool WaitForFit(CTuningWnd& w) {
    if (!w.FitRunning()) return true;
    QSignalSpy done(&w, &CTuningWnd::fitFinished);
    return done.wait(120000);
  }
  // The amplifier's bands of `channel` equal `bands`, enabled and unbypassed.
  void ExpectAmplifierHolds(int channel, const std::vector<EqBand>& bands) {
    const sim::AmplifierState s = Amp();
    const sim::OutputChannel& out = Out(s, channel);
    ASSERT_FALSE(bands.empty());
    for (size_t b = 0; b < bands.size(); ++b) {
      const sim::WireEqBand& w = out.eq[b];
      EXPECT_EQ(w.freq, bands[b].freq) << "band " << b;
      EXPECT_EQ(w.qHundredths, std::lround(bands[b].eqFactor * 100.0f)) << "band " << b;
      EXPECT_NEAR(w.gainInt - 18 + w.gainTenths / 10.0, bands[b].eqGain, 0.051) << "band " << b;
    }
    EXPECT_EQ(out.peqBypass, 0);
  }

  QTemporaryDir files_;
  std::vector<tune::SyntheticCase> cases_;
};

TEST_F(TuningWindowTest, FitThenApplyPutsExactlyTheFittedBandsIntoTheAmplifier) {
  const tune::SyntheticCase& c = UseCase(1, 2);
  live().channels[2].bypass = true;
  const sim::AmplifierState before = Amp();
  auto w = Open();
  EXPECT_EQ(w->session().channel(), 2);
  EXPECT_TRUE(w->AddMeasurementFile(WriteMeasurement(c, "mid.txt")).isEmpty()) << w->Message().toStdString();
  auto* apply = w->FindControl<QAbstractButton>(QStringLiteral("confirm_btn"));
  ASSERT_NE(apply, nullptr);
  EXPECT_FALSE(apply->isEnabled()) << "nothing to apply before a fit";
  ASSERT_TRUE(w->StartFit()) << w->Message().toStdString();
  ASSERT_TRUE(WaitForFit(*w));
  ASSERT_NE(w->result(), nullptr) << w->Message().toStdString();
  EXPECT_TRUE(apply->isEnabled());
  const tune::FitResult fitted = *w->result();
  EXPECT_LT(fitted.after.rmsDb, fitted.before.rmsDb);
  EXPECT_FALSE(w->StatsText().isEmpty());
  EXPECT_TRUE(w->plot()->curves().fitted);
  // Fitting alone sends nothing.
  EXPECT_TRUE(SameBands(Out(Amp(), 2), Out(before, 2)));

  ASSERT_TRUE(w->ApplyFit());
  ExpectAmplifierHolds(2, fitted.bands);
  // The main window's settings and curve follow.
  for (size_t b = 0; b < fitted.bands.size(); ++b) EXPECT_EQ(live().eqArray(2)[b], fitted.bands[b]);
  EXPECT_FALSE(live().channels[2].bypass);
  auto* eq = Find<eqview::UIEqualizer>(QStringLiteral("equalizer"));
  EXPECT_NEAR(eq->BandGain(0), fitted.bands[0].eqGain, 0.01f);
  // Nothing else on the amplifier moved.
  EXPECT_TRUE(SameBands(Out(Amp(), 3), Out(before, 3)));
}

TEST_F(TuningWindowTest, ApplyIsOneStepAndItsUndoPutsThePreviousBandsBackOnTheAmplifier) {
  LinkDefaultPairs();
  const tune::SyntheticCase& c = UseCase(1, 2);
  tune::PutCaseIntoProfile(c, live(), 3);
  live().eqArray(2)[4].eqGain = 5.0f;
  live().eqArray(3)[4].eqGain = 5.0f;
  live().channels[2].bypass = live().channels[3].bypass = true;
  // The amplifier holds what the window shows; nothing recorded yet.
  ASSERT_TRUE(mgr().session().RestoreFullState(live()).ok());
  mgr().recorder().Reset();
  const sim::AmplifierState before = Amp();

  auto w = Open();
  EXPECT_TRUE(w->AddMeasurementFile(WriteMeasurement(c, "mid.txt")).isEmpty()) << w->Message().toStdString();
  ASSERT_TRUE(w->StartFit()) << w->Message().toStdString();
  ASSERT_TRUE(WaitForFit(*w));
  ASSERT_NE(w->result(), nullptr) << w->Message().toStdString();
  const std::vector<EqBand> bands = w->result()->bands;
  ASSERT_TRUE(w->ApplyFit());
  ExpectAmplifierHolds(2, bands);
  ExpectAmplifierHolds(3, bands);
  EXPECT_EQ(mgr().recorder().history().UndoCount(), 1u);
  EXPECT_EQ(wnd_->UndoText(), QStringLiteral("Undo equaliser, CH3"));

  wnd_->Undo();
  const sim::AmplifierState undone = Amp();
  EXPECT_TRUE(undone.scenes[0] == before.scenes[0]) << "both channels' bands and bypass as before";
  EXPECT_EQ(Out(undone, 2).peqBypass, 1);
  EXPECT_FLOAT_EQ(live().eqArray(3)[4].eqGain, 5.0f);
  wnd_->Redo();
  ExpectAmplifierHolds(2, bands);
  ExpectAmplifierHolds(3, bands);
}

TEST_F(TuningWindowTest, ALinkedPairFitsTheAverageAndAppliesToBoth) {
  LinkDefaultPairs();
  const tune::SyntheticCase& c = UseCase(1, 2);
  tune::PutCaseIntoProfile(c, live(), 3);
  auto w = Open();
  ASSERT_EQ(w->session().partner(), 3);
  tune::SpeakerModel other = c.speaker;
  other.levelDb += 4.0;
  other.seed += 7;
  tune::SyntheticCase right = c;
  right.speaker = other;
  EXPECT_TRUE(w->AddMeasurementFile(WriteMeasurement(c, "left.txt")).isEmpty());
  EXPECT_TRUE(w->AddMeasurementFile(WriteMeasurement(right, "right.txt"), true).isEmpty());
  // The fit's input is the average in dB of both after smoothing.
  const tune::PreparedFit pair = w->session().Prepare();
  ASSERT_TRUE(pair.ok) << pair.error;
  const tune::Curve left = w->session().measurements(false)[0].curve;
  const tune::Curve rightCurve = w->session().measurements(true)[0].curve;
  const std::vector<tune::Curve> both{left, rightCurve};
  const std::vector<double> mean = tune::AverageSmoothed(both, w->session().smoothing(), pair.input.hz);
  for (size_t i = 0; i < mean.size(); i += 17) EXPECT_NEAR(pair.input.measured[i], mean[i], 1e-9);

  ASSERT_TRUE(w->StartFit());
  ASSERT_TRUE(WaitForFit(*w));
  ASSERT_NE(w->result(), nullptr) << w->Message().toStdString();
  const std::vector<EqBand> bands = w->result()->bands;
  ASSERT_TRUE(w->ApplyFit());
  ExpectAmplifierHolds(2, bands);
  ExpectAmplifierHolds(3, bands);

  // Unlinked, the fit is the channel's own and goes to it alone.
  w->SetLinked(false);
  EXPECT_EQ(w->session().ApplyChannels(), std::vector<int>{2});
  const tune::PreparedFit own = w->session().Prepare();
  ASSERT_TRUE(own.ok);
  EXPECT_GT(std::fabs(own.input.measured[10] - pair.input.measured[10]), 1.0);
}

TEST_F(TuningWindowTest, AStoppedFitABadFileOrAShortMeasurementChangeNothing) {
  const tune::SyntheticCase& c = UseCase(1, 2);
  const sim::AmplifierState before = Amp();
  const std::vector<EqBand> liveBefore(live().eqArray(2).begin(), live().eqArray(2).end());
  auto w = Open();

  // Not a measurement: a clear message naming the file, nothing loaded.
  const QString bad = Write("notes.txt", "these are my notes\nnot numbers\n");
  const QString message = w->AddMeasurementFile(bad);
  EXPECT_TRUE(message.contains(QStringLiteral("notes.txt"))) << message.toStdString();
  EXPECT_TRUE(w->session().measurements().empty());
  EXPECT_FALSE(w->StartFit());
  EXPECT_FALSE(w->AddMeasurementFile(files_.filePath("missing.txt")).isEmpty());

  // A measurement that does not cover the channel's passband.
  tune::Curve curve = tune::SynthesiseMeasurement(c.speaker, c.channel);
  std::string text;
  for (size_t i = 0; i < curve.size(); ++i) {
    if (curve.hz[i] < 1000.0 || curve.hz[i] > 1500.0) continue;
    text += std::to_string(curve.hz[i]) + " " + std::to_string(curve.db[i]) + "\n";
  }
  EXPECT_FALSE(w->AddMeasurementFile(Write("short.txt", text)).isEmpty());
  EXPECT_FALSE(w->StartFit());
  EXPECT_FALSE(w->ApplyFit());

  // A good file, a fit stopped at once: no result, nothing to apply.
  auto w2 = Open();
  EXPECT_TRUE(w2->AddMeasurementFile(WriteMeasurement(c, "mid.txt")).isEmpty());
  ASSERT_TRUE(w2->StartFit());
  w2->CancelFit();
  ASSERT_TRUE(WaitForFit(*w2));
  EXPECT_EQ(w2->result(), nullptr);
  EXPECT_FALSE(w2->ApplyFit());
  EXPECT_FALSE(w2->Message().isEmpty());

  EXPECT_TRUE(SameBands(Out(Amp(), 2), Out(before, 2)));
  for (size_t b = 0; b < liveBefore.size(); ++b) EXPECT_EQ(live().eqArray(2)[b], liveBefore[b]);
}

TEST_F(TuningWindowTest, AMeasurementTakenWithOtherSettingsIsFlagged) {
  const tune::SyntheticCase& c = UseCase(1, 2);
  auto w = Open();
  const std::string same = tune::SettingsRecordLine(live(), 2);
  EXPECT_TRUE(w->AddMeasurementFile(WriteMeasurement(c, "same.txt", same)).isEmpty()) << w->Message().toStdString();
  live().channels[2].crossover.hp.fs += 40;
  auto changed = Open();
  const QString message = changed->AddMeasurementFile(WriteMeasurement(c, "older.txt", same));
  EXPECT_TRUE(message.contains(QStringLiteral("older.txt"))) << message.toStdString();
  EXPECT_TRUE(message.contains(QStringLiteral("hp"))) << message.toStdString();
  EXPECT_FALSE(message.contains(QStringLiteral("eq"))) << message.toStdString();
}

}  // namespace
}  // namespace vlm::test
