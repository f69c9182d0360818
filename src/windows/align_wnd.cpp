#include "windows/align_wnd.h"

#include <QGridLayout>

#include "base/log.h"
#include "ui/language.h"
#include "windows/key_text.h"

namespace vlm {

namespace {

QString DelayMsText(float ms) { return QStringLiteral("%1 ms").arg(static_cast<double>(ms), 0, 'f', 3); }

}  // namespace

QString AlignProblemText(const autosetup::DistanceAlignment& a) {
  const autosetup::DistanceProblemText* row = autosetup::FindDistanceProblem(a.problem);
  if (!row) return {};
  return FillKeyText(QStringLiteral("${%1}").arg(QLatin1String(row->languageKey)), {a.channel + 1});
}

CAlignWnd::CAlignWnd(QWidget* parent, AlignWindowHost host)
    : CToolWnd(QStringLiteral("MsgWnd"), QStringLiteral("alignwnd"), parent), host_(std::move(host)) {}

void CAlignWnd::InitControls() {
  if (auto* title = FindControl<QLabel>(QStringLiteral("MessageTitle"))) ui::SetText(title, QStringLiteral("${align_title}"));
  ui::SetWindowTitleText(this, QStringLiteral("${align_title}"));
  if (auto* intro = FindControl<QLabel>(QStringLiteral("align_intro"))) {
    ui::SetText(intro, host_.unit == DelayUnit::Inches ? QStringLiteral("${align_intro_inch}")
                                                       : QStringLiteral("${align_intro_cm}"));
  }
  status_ = FindControl<QLabel>(QStringLiteral("align_status"));
  confirm_ = FindControl<QPushButton>(QStringLiteral("confirm_btn"));
  BuildRows();
  Recompute();
}

void CAlignWnd::BuildRows() {
  auto* box = FindControl<QWidget>(QStringLiteral("align_rows"));
  if (!box || !host_.live) return;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(Scaled(12));
  grid->setVerticalSpacing(Scaled(4));
  const QString heads[] = {QString(), QStringLiteral("${align_speaker}"), QStringLiteral("${align_distance}"),
                           QString(), QStringLiteral("${align_delay}")};
  for (int col = 0; col < 5; ++col) {
    auto* head = new QLabel(box);
    head->setProperty("role", QStringLiteral("dim"));
    ui::SetText(head, heads[col]);
    grid->addWidget(head, 0, col);
  }
  const QString unit = host_.unit == DelayUnit::Inches ? QStringLiteral("${align_unit_inch}")
                                                       : QStringLiteral("${align_unit_cm}");
  channels_ = autosetup::AssignedChannels(*host_.live);
  int r = 1;
  for (int c : channels_) {
    auto* name = new QLabel(QStringLiteral("CH%1").arg(c + 1), box);
    auto* position = new QLabel(box);
    ui::SetText(position, host_.positionText ? host_.positionText(host_.live->outputs[static_cast<size_t>(c)])
                                             : QString::number(host_.live->outputs[static_cast<size_t>(c)]));
    auto* edit = new QLineEdit(box);
    edit->setObjectName(QStringLiteral("align_distance_%1").arg(c));
    edit->setFixedWidth(Scaled(90));
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* unitLabel = new QLabel(box);
    ui::SetText(unitLabel, unit);
    auto* delay = new QLabel(box);
    delay->setObjectName(QStringLiteral("align_delay_%1").arg(c));
    delay->setMinimumWidth(Scaled(90));
    delay->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(name, r, 0);
    grid->addWidget(position, r, 1);
    grid->addWidget(edit, r, 2);
    grid->addWidget(unitLabel, r, 3);
    grid->addWidget(delay, r, 4);
    connect(edit, &QLineEdit::textChanged, this, [this] { Recompute(); });
    rows_.push_back({c, edit, delay});
    ++r;
  }
  grid->setColumnStretch(1, 1);
  if (!rows_.empty()) rows_.front().distance->setFocus();
}

QLineEdit* CAlignWnd::DistanceEdit(int channel) const {
  for (const Row& row : rows_) {
    if (row.channel == channel) return row.distance;
  }
  return nullptr;
}

QString CAlignWnd::DelayShown(int channel) const {
  for (const Row& row : rows_) {
    if (row.channel == channel) return row.delay->text();
  }
  return {};
}

QString CAlignWnd::StatusText() const { return status_ ? status_->text() : QString(); }

void CAlignWnd::Recompute() {
  if (!host_.live) return;
  std::vector<autosetup::DistanceEntry> entries;
  for (const Row& row : rows_) {
    QString text = row.distance->text().trimmed();
    if (text.isEmpty()) continue;  // missing: named below
    text.replace(QLatin1Char(','), QLatin1Char('.'));  // a decimal comma as typed in many languages
    entries.push_back({row.channel, text.toStdString()});
  }
  current_ = autosetup::AlignFromDistances(*host_.live, entries, host_.unit);
  for (const Row& row : rows_) row.delay->setText(QString());
  float longest = 0.0f;
  for (const autosetup::ChannelAlignment& a : current_.channels) {
    for (const Row& row : rows_) {
      if (row.channel == a.channel) row.delay->setText(DelayMsText(a.delayMs));
    }
    longest = std::max(longest, a.delayMs);
  }
  if (status_) {
    if (current_.ok()) {
      status_->setText(FillKeyText(QStringLiteral("${align_ready}"), {DelayMsText(longest)}));
    } else if (current_.problem == autosetup::DistanceProblem::Missing && entries.empty()) {
      status_->setText(FillKeyText(QStringLiteral("${align_start}"), {}));
    } else {
      status_->setText(AlignProblemText(current_));
    }
  }
  if (confirm_) confirm_->setEnabled(current_.ok());
}

void CAlignWnd::OnConfirm() {
  Recompute();
  if (!current_.ok()) return;
  LogMessage("align: %zu delays applied\n", current_.edits.size());
  if (host_.apply && !current_.edits.empty()) host_.apply(current_.edits);
  Close(ui::kResultConfirm);
}

CAlignWnd* MakeAlignWindow(QWidget* parent, AlignWindowHost host) {
  auto* wnd = new CAlignWnd(parent, std::move(host));
  wnd->Create(QStringLiteral("XML_ALIGN"));
  return wnd;
}

}  // namespace vlm
