#include "windows/copy_channel_wnd.h"

#include "ui/language.h"

namespace vlm {

CCopyChannelWnd::CCopyChannelWnd(QWidget* parent)
    : CToolWnd(QStringLiteral("CopyChannelWnd"), QStringLiteral("copywnd"), parent) {}

void CCopyChannelWnd::InitControls() {
  from_ = FindControl<QComboBox>(QStringLiteral("copy_from"));
  to_ = FindControl<QComboBox>(QStringLiteral("copy_to"));
  message_ = FindControl<QLabel>(QStringLiteral("copy_message"));
  ui::SetWindowTitleText(this, QStringLiteral("${copy_title}"));
  ui::SetText(FindControl<QLabel>(QStringLiteral("MessageTitle")), QStringLiteral("${copy_title}"));
  QStringList channels;
  for (int c = 0; c < kOutputChannels; ++c) channels << QStringLiteral("CH%1").arg(c + 1);
  for (QComboBox* combo : {from_, to_}) {
    if (combo) ui::SetComboItems(combo, channels);
  }
  for (const CopyGroupRow& row : ChannelCopyGroups()) {
    boxes_.emplace_back(row.group, FindControl<QAbstractButton>(QString::fromLatin1(row.key)));
  }
}

QAbstractButton* CCopyChannelWnd::GroupBox(CopyGroup group) const {
  for (const auto& [g, box] : boxes_) {
    if (g == group) return box;
  }
  return nullptr;
}

void CCopyChannelWnd::Show(const ChannelCopy& copy) {
  if (from_) from_->setCurrentIndex(copy.from);
  if (to_) to_->setCurrentIndex(copy.to);
  for (const auto& [group, box] : boxes_) {
    if (box) box->setChecked((copy.groups & group) != 0);
  }
}

ChannelCopy CCopyChannelWnd::Choice() const {
  ChannelCopy copy;
  copy.from = from_ ? from_->currentIndex() : -1;
  copy.to = to_ ? to_->currentIndex() : -1;
  copy.groups = 0;
  for (const auto& [group, box] : boxes_) {
    if (box && box->isChecked()) copy.groups |= group;
  }
  return copy;
}

void CCopyChannelWnd::OnConfirm() {
  const ChannelCopy copy = Choice();
  QString why;
  if (copy.from < 0 || copy.to < 0 || copy.from == copy.to) why = QStringLiteral("${copy_same_channel}");
  else if (copy.groups == 0) why = QStringLiteral("${copy_nothing_ticked}");
  if (why.isEmpty()) {
    Close(ui::kResultConfirm);
    return;
  }
  ui::SetText(message_, why);
}

std::optional<ChannelCopy> AskChannelCopy(QWidget* parent, int from, int to) {
  auto* wnd = new CCopyChannelWnd(parent);
  wnd->Create(QStringLiteral("XML_COPY_CHANNEL"));
  wnd->SetDeleteOnClose(false);
  wnd->Show({from, to, kCopyAllGroups});
  const ui::ModalResult result = wnd->ShowModal();
  std::optional<ChannelCopy> copy;
  if (result == ui::kResultConfirm) copy = wnd->Choice();
  delete wnd;
  return copy;
}

}  // namespace vlm
