#include "windows/loading_wnd.h"

#include <QBoxLayout>
#include <QPainter>
#include <QPaintEvent>

#include "ui/skin.h"

namespace vlm {

CLoadingWnd::CLoadingWnd(QWidget* parent)
    : CToolWnd(QStringLiteral("LoadingWnd"), QStringLiteral("loadingwnd"), parent) {}

void CLoadingWnd::InitControls() {
  anim_ = FindControl<QLabel>(QStringLiteral("loading_anim"));
  if (!anim_) return;
  spinner_ = ui::Skin::Instance().Image(QStringLiteral("loading"), ScalePercent());
  // The label paints the turning frame itself.
  anim_->setPixmap(QPixmap());
  anim_->setMinimumSize(spinner_.isNull() ? QSize(Scaled(48), Scaled(48)) : spinner_.size());
  anim_->installEventFilter(this);
  timer_.setInterval(kFrameMs);
  connect(&timer_, &QTimer::timeout, this, [this] {
    frame_ = (frame_ + 1) % kFrames;
    if (anim_) anim_->update();
  });
  timer_.start();
}

void CLoadingWnd::SetText(const QString& text) {
  if (!text_ && anim_ && anim_->parentWidget()) {
    auto* box = qobject_cast<QBoxLayout*>(anim_->parentWidget()->layout());
    text_ = new QLabel(anim_->parentWidget());
    text_->setObjectName(QStringLiteral("loading_text"));
    text_->setAlignment(Qt::AlignCenter);
    if (box) box->addWidget(text_);
  }
  if (!text_) return;
  text_->setText(text);
  text_->setVisible(!text.isEmpty());
}

QString CLoadingWnd::Text() const { return text_ ? text_->text() : QString(); }

bool CLoadingWnd::eventFilter(QObject* watched, QEvent* e) {
  if (watched == anim_ && e->type() == QEvent::Paint) {
    Paint(anim_);
    return true;
  }
  return CToolWnd::eventFilter(watched, e);
}

void CLoadingWnd::Paint(QLabel* label) {
  QPainter p(label);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  const QPointF centre = QRectF(label->rect()).center();
  const double angle = 360.0 * frame_ / kFrames;
  p.translate(centre);
  p.rotate(angle);
  if (!spinner_.isNull()) {
    p.drawPixmap(QPointF(-spinner_.width() / 2.0, -spinner_.height() / 2.0), spinner_);
    return;
  }
  // Without the skin's image: an arc in the accent colour.
  const double r = std::min(label->width(), label->height()) / 2.0 - Scaled(4);
  QPen pen(QColor(0x3b, 0x8f, 0xe3), Scaled(4), Qt::SolidLine, Qt::RoundCap);
  p.setPen(pen);
  p.drawArc(QRectF(-r, -r, 2 * r, 2 * r), 0, 270 * 16);
}

void LoadingWindowSlot::Show(QWidget* parent) {
  Close();
  auto* wnd = new CLoadingWnd(parent);
  wnd_ = wnd;
  wnd->Create(QStringLiteral("XML_LOADING"));
  if (!text_.isEmpty()) wnd->SetText(text_);
  wnd->ShowModal();
  // Whatever closed it, the reference goes with it.
  if (wnd_ == wnd) wnd_ = nullptr;
}

void LoadingWindowSlot::Close() {
  if (CLoadingWnd* wnd = wnd_) {
    wnd_ = nullptr;
    wnd->Close(ui::kResultConfirm);
  }
}

}  // namespace vlm
