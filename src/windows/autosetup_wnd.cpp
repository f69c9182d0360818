#include "windows/autosetup_wnd.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <string_view>

#include "base/log.h"
#include "tune/curve_file.h"
#include "ui/language.h"
#include "windows/key_text.h"
#include "windows/tune_plot.h"

namespace vlm {

namespace {

// The language key of each step of the run, in the core's order.
const char* const kStepKeys[] = {"${wizard_step_measure}", "${wizard_step_align}", "${wizard_step_level}",
                                 "${wizard_step_fit}",     "${wizard_step_send}",  "${wizard_step_verify}",
                                 "${wizard_step_done}"};

QString StepLabel(autosetup::Step step) {
  const size_t i = static_cast<size_t>(step);
  return FillKeyText(QString::fromLatin1(i < std::size(kStepKeys) ? kStepKeys[i] : kStepKeys[0]), {});
}

// What the run said, in the user's language. The channel is a number in the
// text; the detail is a lower layer's reason, a figure, or the channels unreached.
QString SaidText(const autosetup::RunMessage& m) {
  const autosetup::RunText* row = autosetup::FindRunText(m.said);
  if (row == nullptr) return QString::fromStdString(m.detail);
  QString detail = QString::fromStdString(m.detail);
  if (m.said == autosetup::RunSaid::Unrouted) {
    QStringList names;
    for (int c : m.channels) names << QStringLiteral("CH%1").arg(c + 1);
    detail = names.join(QStringLiteral(", "));
  }
  const QString key = QStringLiteral("${%1}").arg(QString::fromLatin1(row->languageKey));
  const bool number = std::string_view(row->english).find("%d") != std::string_view::npos;
  const bool text = std::string_view(row->english).find("%s") != std::string_view::npos;
  if (number && text) return FillKeyText(key, {m.channel + 1, detail});
  if (number) return FillKeyText(key, {m.channel + 1});
  if (text) return FillKeyText(key, {detail});
  return FillKeyText(key, {});
}

QString Number(double v, int decimals) { return QString::number(v, 'f', decimals); }

QLabel* Caption(const QString& key, QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setProperty("role", QStringLiteral("dim"));
  ui::SetText(l, key);
  return l;
}

}  // namespace

CAutoSetupWnd::CAutoSetupWnd(QWidget* parent, AutoSetupWindowHost host)
    : CToolWnd(QStringLiteral("MsgWnd"), QStringLiteral("autosetupwnd"), parent), host_(std::move(host)) {}

CAutoSetupWnd::~CAutoSetupWnd() = default;  // the job cancels, joins and discards what is provisional

void CAutoSetupWnd::InitControls() {
  if (auto* title = FindControl<QLabel>(QStringLiteral("MessageTitle"))) ui::SetText(title, QStringLiteral("${wizard_title}"));
  ui::SetWindowTitleText(this, QStringLiteral("${wizard_title}"));
  status_ = FindControl<QLabel>(QStringLiteral("wizard_status"));
  auto* box = FindControl<QWidget>(QStringLiteral("wizard_pages"));
  if (!box) return;
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  pages_ = new QStackedWidget(box);
  layout->addWidget(pages_);
  pages_->addWidget(BuildSetupPage());
  pages_->addWidget(BuildRunPage());
  pages_->addWidget(BuildResultPage());
  ShowPage(Page::Setup);
}

QWidget* CAutoSetupWnd::BuildSetupPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  v->setSpacing(Scaled(6));
  v->addWidget(Caption(QStringLiteral("${wizard_channels}"), page));
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(Scaled(16));
  int i = 0;
  for (int c : host_.live ? autosetup::AssignedChannels(*host_.live) : std::vector<int>{}) {
    auto* check = new QCheckBox(page);
    check->setObjectName(QStringLiteral("wizard_ch_%1").arg(c));
    const QString name = host_.positionText ? ui::Language::Instance().Resolve(host_.positionText(host_.live->outputs[static_cast<size_t>(c)]))
                                            : QString();
    check->setText(QStringLiteral("CH%1  %2").arg(c + 1).arg(name));
    check->setChecked(true);
    grid->addWidget(check, i / 3, i % 3);
    channelChecks_.push_back({c, check});
    ++i;
  }
  v->addLayout(grid);
  v->addSpacing(Scaled(8));
  v->addWidget(Caption(QStringLiteral("${wizard_target}"), page));
  auto* targetRow = new QHBoxLayout;
  target_ = new QComboBox(page);
  target_->setObjectName(QStringLiteral("wizard_target"));
  ui::SetComboItems(target_, {QStringLiteral("${tune_target_flat}"), QStringLiteral("${tune_target_car}"),
                              QStringLiteral("${tune_target_file}")});
  target_->setCurrentIndex(1);
  targetFile_ = new QLabel(page);
  auto* pickTarget = new QPushButton(page);
  ui::SetText(pickTarget, QStringLiteral("${wizard_pick_file}"));
  connect(pickTarget, &QPushButton::clicked, this, [this] { PickTarget(); });
  targetRow->addWidget(target_);
  targetRow->addWidget(pickTarget);
  targetRow->addWidget(targetFile_, 1);
  v->addLayout(targetRow);
  v->addWidget(Caption(QStringLiteral("${tune_calibration}"), page));
  auto* micRow = new QHBoxLayout;
  auto* pickMic = new QPushButton(page);
  ui::SetText(pickMic, QStringLiteral("${tune_pick_calibration}"));
  connect(pickMic, &QPushButton::clicked, this, [this] { PickMic(); });
  micFile_ = new QLabel(page);
  ui::SetText(micFile_, QStringLiteral("${tune_none}"));
  micRow->addWidget(pickMic);
  micRow->addWidget(micFile_, 1);
  v->addLayout(micRow);
  auto* intro = new QLabel(page);
  intro->setWordWrap(true);
  ui::SetText(intro, QStringLiteral("${wizard_intro}"));
  v->addSpacing(Scaled(8));
  v->addWidget(intro);
  v->addStretch(1);
  return page;
}

QWidget* CAutoSetupWnd::BuildRunPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  step_ = new QLabel(page);
  step_->setObjectName(QStringLiteral("wizard_step"));
  progress_ = new QProgressBar(page);
  progress_->setRange(0, 1000);
  v->addWidget(step_);
  v->addWidget(progress_);
  auto* grid = new QGridLayout;
  int i = 0;
  for (const auto& [c, check] : channelChecks_) {
    auto* name = new QLabel(QStringLiteral("CH%1").arg(c + 1), page);
    auto* state = new QLabel(page);
    state->setProperty("role", QStringLiteral("dim"));
    grid->addWidget(name, i / 2, (i % 2) * 2);
    grid->addWidget(state, i / 2, (i % 2) * 2 + 1);
    channelSteps_.push_back({c, name, state});
    ++i;
  }
  v->addLayout(grid);
  v->addStretch(1);
  return page;
}

QWidget* CAutoSetupWnd::BuildResultPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  auto* row = new QHBoxLayout;
  row->addWidget(Caption(QStringLiteral("${wizard_result_channel}"), page));
  resultChannel_ = new QComboBox(page);
  resultChannel_->setObjectName(QStringLiteral("wizard_result_channel"));
  connect(resultChannel_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) { ShowChannel(i); });
  row->addWidget(resultChannel_);
  row->addStretch(1);
  v->addLayout(row);
  plot_ = new TunePlot(page);
  plot_->SetLegendKeys("${wizard_legend_before}", "${wizard_legend_after}");
  plot_->setMinimumSize(Scaled(560), Scaled(280));
  v->addWidget(plot_, 1);
  figures_ = new QLabel(page);
  figures_->setObjectName(QStringLiteral("wizard_figures"));
  figures_->setWordWrap(true);
  notes_ = new QLabel(page);
  notes_->setWordWrap(true);
  notes_->setProperty("role", QStringLiteral("dim"));
  v->addWidget(figures_);
  v->addWidget(notes_);
  return page;
}

void CAutoSetupWnd::ShowPage(Page page) {
  if (pages_) pages_->setCurrentIndex(static_cast<int>(page));
  const bool provisional = Provisional();
  auto show = [this](const char* name, bool visible, bool enabled = true) {
    if (auto* b = FindControl<QPushButton>(QString::fromLatin1(name))) {
      b->setVisible(visible);
      b->setEnabled(enabled);
    }
  };
  show("wizard_start", page == Page::Setup);
  show("wizard_apply", page == Page::Result && !applied_, provisional);
  show("wizard_discard", page == Page::Result && !applied_, provisional);
  show("wizard_save_scene", page == Page::Result && applied_);
  show("wizard_save_profile", page == Page::Result && applied_);
  if (auto* cancel = FindControl<QPushButton>(QStringLiteral("cancel_btn"))) {
    ui::SetText(cancel, page == Page::Result && !provisional ? QStringLiteral("${exit}") : QStringLiteral("${cancel}"));
  }
}

void CAutoSetupWnd::SetStatus(const QString& text) {
  if (status_) status_->setText(text);
}

void CAutoSetupWnd::SetChannels(const std::vector<int>& channels) {
  for (auto& [c, check] : channelChecks_) check->setChecked(std::find(channels.begin(), channels.end(), c) != channels.end());
}

std::vector<int> CAutoSetupWnd::ChosenChannels() const {
  std::vector<int> out;
  for (const auto& [c, check] : channelChecks_) {
    if (check->isChecked()) out.push_back(c);
  }
  return out;
}

void CAutoSetupWnd::SetTarget(tune::TargetKind kind, const QString& file) {
  if (target_) target_->setCurrentIndex(static_cast<int>(kind));
  if (kind != tune::TargetKind::File || file.isEmpty()) return;
  const tune::CurveReadResult r = tune::ReadCurveFile(file.toStdString());
  if (!r.ok) {
    SetStatus(FillKeyText(QStringLiteral("${tune_bad_file}"), {QString::fromStdString(r.error)}));
    return;
  }
  targetCurve_ = r.curve;
  if (targetFile_) targetFile_->setText(file.section(QLatin1Char('/'), -1));
}

QString CAutoSetupWnd::SetMicCalibration(const QString& file) {
  const tune::CurveReadResult r = tune::ReadCurveFile(file.toStdString());
  if (!r.ok) return FillKeyText(QStringLiteral("${tune_bad_file}"), {QString::fromStdString(r.error)});
  mic_ = r.curve;
  if (micFile_) micFile_->setText(file.section(QLatin1Char('/'), -1));
  return {};
}

void CAutoSetupWnd::PickTarget() {
  const QString file = QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("*.txt *.csv *.frd"));
  if (!file.isEmpty()) SetTarget(tune::TargetKind::File, file);
}

void CAutoSetupWnd::PickMic() {
  const QString file = QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("*.txt *.csv *.frd *.cal"));
  if (file.isEmpty()) return;
  const QString problem = SetMicCalibration(file);
  if (!problem.isEmpty()) SetStatus(problem);
}

bool CAutoSetupWnd::StartRun() {
  if (Running() || !host_.live || !host_.link || !host_.overrides) return false;
  autosetup::AutoSetupRequest request = host_.defaults;
  request.channels = ChosenChannels();
  if (request.channels.empty()) {
    SetStatus(FillKeyText(QStringLiteral("${wizard_no_channels}"), {}));
    return false;
  }
  request.target.kind = static_cast<tune::TargetKind>(target_ ? target_->currentIndex() : 1);
  if (request.target.kind == tune::TargetKind::File) {
    if (targetCurve_.size() == 0) {
      SetStatus(FillKeyText(QStringLiteral("${wizard_no_target_file}"), {}));
      return false;
    }
    request.target.file = targetCurve_;
  }
  request.micCalibration = mic_;
  std::string error;
  std::unique_ptr<audio::AudioBackend> card = host_.soundCard ? host_.soundCard(error) : nullptr;
  if (!card) {
    SetStatus(FillKeyText(QStringLiteral("${wizard_no_card}"), {QString::fromStdString(error)}));
    return false;
  }
  job_ = std::make_unique<AutoSetupJob>(*host_.link, *host_.overrides, std::move(card));
  connect(job_.get(), &AutoSetupJob::progressed, this, [this](autosetup::Progress p) { OnProgress(p); });
  connect(job_.get(), &AutoSetupJob::finished, this, [this] { OnFinished(); });
  connect(job_.get(), &AutoSetupJob::discarded, this, [this](bool ok, QString problem) { OnDiscarded(ok, problem); });
  // Only the chosen channels are listed while the run works.
  for (const StepRow& row : channelSteps_) {
    const bool chosen = std::find(request.channels.begin(), request.channels.end(), row.channel) != request.channels.end();
    row.name->setVisible(chosen);
    row.state->setVisible(chosen);
    row.state->setText(QString());
  }
  progress_->setValue(0);
  step_->setText(QString());
  LogMessage("auto-setup: %zu channels\n", request.channels.size());
  job_->Start(*host_.live, std::move(request));
  applied_ = false;
  SetStatus(FillKeyText(QStringLiteral("${wizard_running}"), {}));
  ShowPage(Page::Running);
  return true;
}

void CAutoSetupWnd::OnProgress(const autosetup::Progress& p) {
  progress_->setValue(static_cast<int>(p.fraction * 1000.0));
  const QString step = StepLabel(p.step);
  step_->setText(p.channel >= 0 ? FillKeyText(QStringLiteral("${wizard_progress}"), {step, p.channel + 1, p.index + 1, p.count})
                                : step);
  for (const StepRow& row : channelSteps_) {
    if (row.channel == p.channel) row.state->setText(step);
  }
}

void CAutoSetupWnd::CancelRun() {
  if (!Running()) return;
  job_->Cancel();
  SetStatus(FillKeyText(QStringLiteral("${wizard_cancelling}"), {}));
}

void CAutoSetupWnd::OnFinished() {
  const autosetup::AutoSetupResult* r = job_ ? job_->result() : nullptr;
  if (!r) return;
  if (r->status != autosetup::Status::Done) {
    const QString what = SaidText(r->said);
    SetStatus(r->restored ? FillKeyText(QStringLiteral("${wizard_stopped}"), {what})
                          : FillKeyText(QStringLiteral("${wizard_not_restored}"), {what, QString::fromStdString(r->restoreProblem)}));
    ShowPage(Page::Setup);
    emit runFinished();
    if (closeWhenDone_) Close(ui::kResultCancel);
    return;
  }
  progress_->setValue(1000);
  resultChannel_->blockSignals(true);
  resultChannel_->clear();
  for (const autosetup::ChannelResult& c : r->channels) resultChannel_->addItem(QStringLiteral("CH%1").arg(c.channel + 1));
  resultChannel_->blockSignals(false);
  QStringList notes;
  for (const autosetup::RunMessage& n : r->notes) notes << SaidText(n);
  notes_->setText(notes.join(QLatin1Char('\n')));
  ShowChannel(0);
  SetStatus(FillKeyText(QStringLiteral("${wizard_provisional}"), {}));
  ShowPage(Page::Result);
  emit runFinished();
  if (closeWhenDone_) DiscardResult();
}

void CAutoSetupWnd::ShowChannel(int index) {
  const autosetup::AutoSetupResult* r = result();
  if (!r || index < 0 || static_cast<size_t>(index) >= r->channels.size()) return;
  if (resultChannel_ && resultChannel_->currentIndex() != index) resultChannel_->setCurrentIndex(index);
  const autosetup::ChannelResult& c = r->channels[static_cast<size_t>(index)];
  tune::PlotCurves curves;
  curves.hz = c.hz;
  curves.measured = c.beforeDb;
  curves.target = c.targetDb;
  curves.predicted = c.afterDb;
  curves.loHz = c.loHz;
  curves.hiHz = c.hiHz;
  curves.fitted = !c.afterDb.empty();
  plot_->SetCurves(std::move(curves));
  figures_->setText(FillKeyText(QStringLiteral("${wizard_figures}"),
                                {Number(c.delayBeforeMs, 3), Number(c.delayAfterMs, 3), Number(c.gainBeforeDb, 0),
                                 Number(c.gainAfterDb, 0), Number(c.before.rmsDb, 2), Number(c.after.rmsDb, 2),
                                 Number(c.before.maxDb, 2), Number(c.after.maxDb, 2)}));
}

bool CAutoSetupWnd::ApplyResult() {
  if (!Provisional() || !host_.live) return false;
  const SessionResult r = job_->Apply(*host_.live);
  if (!r.ok()) {
    SetStatus(QString::fromStdString(r.Describe()));
    return false;
  }
  applied_ = true;
  if (host_.applied) host_.applied();
  SetStatus(FillKeyText(QStringLiteral("${wizard_applied}"), {}));
  ShowPage(Page::Result);
  return true;
}

bool CAutoSetupWnd::DiscardResult() {
  if (!job_ || !job_->StartDiscard()) return false;
  SetStatus(FillKeyText(QStringLiteral("${wizard_discarding}"), {}));
  if (auto* b = FindControl<QPushButton>(QStringLiteral("wizard_apply"))) b->setEnabled(false);
  if (auto* b = FindControl<QPushButton>(QStringLiteral("wizard_discard"))) b->setEnabled(false);
  return true;
}

void CAutoSetupWnd::OnDiscarded(bool ok, const QString& problem) {
  SetStatus(ok ? FillKeyText(QStringLiteral("${wizard_discarded}"), {})
               : FillKeyText(QStringLiteral("${wizard_not_restored}"), {QString(), problem}));
  ShowPage(ok ? Page::Setup : Page::Result);
  emit discardFinished();
  if (closeWhenDone_) Close(ui::kResultCancel);
}

void CAutoSetupWnd::Notify(ui::Notification& n) {
  if (!n.Is(ui::notify::kClick)) return;
  if (n.FromNoCase(QStringLiteral("wizard_start"))) {
    StartRun();
  } else if (n.FromNoCase(QStringLiteral("wizard_apply"))) {
    ApplyResult();
  } else if (n.FromNoCase(QStringLiteral("wizard_discard"))) {
    DiscardResult();
  } else if (n.FromNoCase(QStringLiteral("wizard_save_scene"))) {
    if (host_.saveScene) host_.saveScene();
  } else if (n.FromNoCase(QStringLiteral("wizard_save_profile"))) {
    if (host_.saveProfile) host_.saveProfile();
  } else if (n.FromNoCase(QStringLiteral("closebtn")) || n.FromNoCase(QStringLiteral("cancel_btn"))) {
    // Cancel at any point gives the amplifier back what it held: the window
    // closes once the worker has done so.
    if (Running()) {
      closeWhenDone_ = true;
      CancelRun();
    } else if (Provisional()) {
      closeWhenDone_ = true;
      DiscardResult();
    } else if (!job_ || !job_->Busy()) {
      Close(ui::kResultCancel);
    }
  }
}

CAutoSetupWnd* MakeAutoSetupWindow(QWidget* parent, AutoSetupWindowHost host) {
  auto* wnd = new CAutoSetupWnd(parent, std::move(host));
  wnd->Create(QStringLiteral("XML_AUTOSETUP"));
  return wnd;
}

}  // namespace vlm
