#include "ui/window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "base/log.h"
#include "ui/control_factory.h"
#include "ui/language.h"
#include "ui/notify_hub.h"
#include "ui/sbutton.h"
#include "ui/skin.h"
#include "ui/window_registry.h"

namespace vlm::ui {

namespace {

const QEvent::Type kMessageEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

// Carries a posted message; destroying an unhandled event frees its record.
class MessageEvent : public QEvent {
 public:
  explicit MessageEvent(WindowMessage msg) : QEvent(kMessageEventType), msg_(std::move(msg)) {}
  WindowMessage& Message() { return msg_; }

 private:
  WindowMessage msg_;
};

ModalAnswerer& Answerer() {
  static ModalAnswerer answerer;
  return answerer;
}

constexpr int kWidgetMax = QWIDGETSIZE_MAX;

}  // namespace

// ---- registry -------------------------------------------------------------

WindowRegistry& WindowRegistry::Instance() {
  static WindowRegistry registry;
  return registry;
}

WindowHandle WindowRegistry::Add(UIWindow* w) {
  std::lock_guard lock(mutex_);
  const WindowHandle h = next_++;
  windows_.emplace(h, w);
  return h;
}

void WindowRegistry::Remove(WindowHandle handle) {
  std::lock_guard lock(mutex_);
  windows_.erase(handle);
}

UIWindow* WindowRegistry::Find(WindowHandle handle) const {
  std::lock_guard lock(mutex_);
  auto it = windows_.find(handle);
  return it == windows_.end() ? nullptr : it->second;
}

QList<UIWindow*> WindowRegistry::Windows() const {
  std::lock_guard lock(mutex_);
  QList<UIWindow*> out;
  for (const auto& [h, w] : windows_) out.append(w);
  return out;
}

bool PostWindowMessage(WindowHandle handle, int message, intptr_t wparam, intptr_t lparam, OwnedRecord record) {
  auto event = std::make_unique<MessageEvent>(WindowMessage{message, wparam, lparam, std::move(record)});
  // Posting under the registry lock: the window's destructor takes the same
  // lock before Qt drops its pending events, so the event is either queued
  // before (and freed with the window's queue) or refused here.
  return WindowRegistry::Instance().WithWindow(handle, [&](UIWindow* w) {
    QCoreApplication::postEvent(w, event.release());
  });
}

QList<UIWindow*> AllWindows() { return WindowRegistry::Instance().Windows(); }

ModalAnswerer SetModalAnswerer(ModalAnswerer answerer) {
  ModalAnswerer previous = std::move(Answerer());
  Answerer() = std::move(answerer);
  return previous;
}

int CloseMessageWindows() {
  const QString tips = Language::Instance().Resolve(QStringLiteral("${tips}"));
  int closed = 0;
  bool byName = false;
  for (UIWindow* w : AllWindows()) {
    if (w->IsClosed()) continue;
    bool close = false;
    if (!byName && w->CreationName().compare(QLatin1String("MsgWnd"), Qt::CaseInsensitive) == 0) {
      byName = true;
      close = true;
    }
    if (!tips.isEmpty() && w->windowTitle() == tips) close = true;
    if (close) {
      w->Close(kResultCancel);
      ++closed;
    }
  }
  return closed;
}

// ---- window ---------------------------------------------------------------

UIWindow::UIWindow(const QString& className, const QString& creationName, QWidget* parent, Kind kind)
    : QWidget(parent), className_(className), creationName_(creationName) {
  if (kind == Kind::Tool) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  } else {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
  }
  setObjectName(className);
  setProperty("uiwindow", kind == Kind::Tool ? "tool" : "main");
  setAttribute(Qt::WA_StyledBackground, true);
  setWindowTitle(creationName);
  handle_ = WindowRegistry::Instance().Add(this);
  hub_ = new NotifyHub(this);
}

UIWindow::~UIWindow() {
  // First, so that no thread queues anything more for this window; what is
  // queued already is freed by QObject's destructor with the pending events.
  WindowRegistry::Instance().Remove(handle_);
  if (state_->loop) state_->loop->exit(0);
  // QWidget's destructor still moves the focus and closes children; none of
  // that may reach Notify() of a window that is no longer whole.
  delete hub_;
  hub_ = nullptr;
  destroying_ = true;
}

bool UIWindow::Create(const QString& layoutId) {
  Skin& skin = Skin::Instance();
  const QString file = skin.LayoutFile(layoutId);
  bool loaded = false;
  if (!file.isEmpty()) {
    QFile f(skin.FilePath(file));
    if (f.open(QIODevice::ReadOnly)) {
      ControlFactory factory;
      QWidget* form = factory.load(&f, this);
      if (form) {
        content_ = form;
        initialSize_ = form->size();
        auto* box = new QVBoxLayout(this);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSpacing(0);
        box->addWidget(form);
        // The form's own window title (when written as a key) is the window's.
        if (!form->windowTitle().isEmpty() && form->windowTitle().contains(QLatin1String("${")))
          SetWindowTitleText(this, form->windowTitle());
        loaded = true;
      } else {
        LogMessage("layout %s: %s\n", layoutId.toUtf8().constData(), factory.errorString().toUtf8().constData());
      }
    }
  }
  if (!loaded) LogMessage("layout %s not loaded\n", layoutId.toUtf8().constData());
  if (initialSize_.isEmpty()) initialSize_ = QSize(400, 200);
  resize(initialSize_);
  AdoptTexts(this);
  hub_->Wire(this);
  WireCaptions();
  ApplyScale();
  InitWindow();
  return loaded;
}

void UIWindow::SetDpi(int dpi) {
  dpi_ = dpi;
  const int scale = ScaleForDpi(dpi);
  if (scale == scale_) return;
  scale_ = scale;
  ApplyScale();
}

int UIWindow::Scaled(int px) const { return static_cast<int>(std::lround(px * scale_ / 100.0)); }

void UIWindow::ApplyScale() {
  // Lengths of the layout are kept at 100 % on each widget so that repeated
  // changes of scale do not compound.
  QList<QWidget*> widgets = findChildren<QWidget*>();
  for (QWidget* w : widgets) {
    if (!w->property("vlm_min").isValid()) {
      w->setProperty("vlm_min", w->minimumSize());
      w->setProperty("vlm_max", w->maximumSize());
    }
    const QSize min = w->property("vlm_min").toSize();
    const QSize max = w->property("vlm_max").toSize();
    w->setMinimumSize(Scaled(min.width()), Scaled(min.height()));
    w->setMaximumSize(max.width() >= kWidgetMax ? kWidgetMax : Scaled(max.width()),
                      max.height() >= kWidgetMax ? kWidgetMax : Scaled(max.height()));
    if (QLayout* l = w->layout()) {
      if (!l->property("vlm_margins").isValid()) {
        const QMargins m = l->contentsMargins();
        l->setProperty("vlm_margins", QVariantList{m.left(), m.top(), m.right(), m.bottom()});
        l->setProperty("vlm_spacing", l->spacing());
      }
      const QVariantList m = l->property("vlm_margins").toList();
      l->setContentsMargins(Scaled(m[0].toInt()), Scaled(m[1].toInt()), Scaled(m[2].toInt()), Scaled(m[3].toInt()));
      const int spacing = l->property("vlm_spacing").toInt();
      if (spacing >= 0) l->setSpacing(Scaled(spacing));
    }
    if (auto* sbutton = qobject_cast<CSButtonUI*>(w)) sbutton->SetImageScale(scale_);
  }
  // A sheet changed on a window that was never polished is not re-read: the
  // parsed sheet of the previous scale stays cached, and with it the fonts of
  // the previous scale while every length follows the new one (texts cut off
  // at 80 %). Polished before and after, each change repolishes the children
  // and their fonts.
  ensurePolished();
  setStyleSheet(Skin::Instance().StyleSheet(QStringLiteral("dark"), scale_));
  ensurePolished();
  ApplyImages();
  // The window's minimum is its layout's, still of the previous scale until
  // the layouts run again; resize() would be held to it (a window going from
  // 300 % down to 80 % kept most of its large size). A hidden window is laid
  // out when shown.
  if (isVisible()) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (QLayout* l = layout()) l->activate();
  }
  resize(Scaled(initialSize_.width()), Scaled(initialSize_.height()));
}

void UIWindow::ApplyImages() {
  // Labels that show a skin image name it with the "image" property.
  for (QLabel* label : findChildren<QLabel*>()) {
    const QString image = label->property("image").toString();
    if (image.isEmpty()) continue;
    const QPixmap pm = Skin::Instance().Image(image, scale_);
    if (pm.isNull()) continue;
    label->setPixmap(pm);
    // Never squeezed below the picture.
    label->setMinimumSize(label->minimumSize().expandedTo(pm.size()));
  }
  // Image buttons (caption buttons) have a normal, hot and pushed image; a
  // button whose image is missing shows its fallback glyph instead.
  for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
    const QString image = button->property("image").toString();
    if (image.isEmpty()) continue;
    const QPixmap normal = Skin::Instance().Image(image, scale_);
    if (normal.isNull()) {
      button->setIcon(QIcon());
      button->setText(button->property("fallbacktext").toString());
      continue;
    }
    auto variant = [&](const char* prop) {
      const QPixmap pm = Skin::Instance().Image(button->property(prop).toString(), scale_);
      return pm.isNull() ? normal : pm;
    };
    button->setProperty("vlm_pm_normal", normal);
    button->setProperty("vlm_pm_hot", variant("hotimage"));
    button->setProperty("vlm_pm_pushed", variant("pushedimage"));
    button->setText(QString());
    button->setIcon(QIcon(normal));
    button->setIconSize(normal.size());
    if (!button->property("vlm_image_filter").toBool()) {
      button->setProperty("vlm_image_filter", true);
      button->installEventFilter(this);
    }
  }
}

void UIWindow::WireCaptions() {
  // Widgets with the "caption" property drag the frameless window.
  for (QWidget* w : findChildren<QWidget*>()) {
    if (w->property("caption").toBool()) w->installEventFilter(this);
  }
}

bool UIWindow::eventFilter(QObject* watched, QEvent* e) {
  if (destroying_) return false;
  if (auto* button = qobject_cast<QAbstractButton*>(watched); button && button->property("vlm_image_filter").toBool()) {
    const char* which = nullptr;
    switch (e->type()) {
      case QEvent::Enter: which = "vlm_pm_hot"; break;
      case QEvent::Leave: which = "vlm_pm_normal"; break;
      case QEvent::MouseButtonPress: which = "vlm_pm_pushed"; break;
      case QEvent::MouseButtonRelease: which = button->underMouse() ? "vlm_pm_hot" : "vlm_pm_normal"; break;
      default: break;
    }
    if (which) {
      const QPixmap pm = button->property(which).value<QPixmap>();
      if (!pm.isNull()) button->setIcon(QIcon(pm));
    }
  }
  if (auto* w = qobject_cast<QWidget*>(watched); w && w->property("caption").toBool()) {
    if (e->type() == QEvent::MouseButtonPress) {
      auto* m = static_cast<QMouseEvent*>(e);
      if (m->button() == Qt::LeftButton) {
        dragging_ = true;
        dragOffset_ = m->globalPosition().toPoint() - frameGeometry().topLeft();
      }
    } else if (e->type() == QEvent::MouseMove && dragging_) {
      move(static_cast<QMouseEvent*>(e)->globalPosition().toPoint() - dragOffset_);
    } else if (e->type() == QEvent::MouseButtonRelease) {
      dragging_ = false;
    }
  }
  return QWidget::eventFilter(watched, e);
}

void UIWindow::CenterWindow() {
  QRect area;
  QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  if (owner && owner->isVisible()) {
    area = owner->frameGeometry();
  } else if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isEmpty()) return;
  QRect r = frameGeometry();
  r.moveCenter(area.center());
  move(r.topLeft());
}

ModalResult UIWindow::ShowModal() {
  auto state = state_;  // outlives the window if it is destroyed meanwhile
  if (state->closed) return state->result;
  setWindowModality(Qt::ApplicationModal);
  CenterWindow();
  show();
  raise();
  activateWindow();
  if (Answerer()) {
    QPointer<UIWindow> self(this);
    Answerer()(*this);
    if (self && !state->closed) Close(kResultCancel);
    return state->result;
  }
  QEventLoop loop;
  state->loop = &loop;
  if (!state->closed) loop.exec(QEventLoop::DialogExec);
  state->loop = nullptr;
  return state->result;
}

bool UIWindow::IsClosed() const { return state_->closed; }

void UIWindow::Close(ModalResult result) {
  if (state_->closed || !CanClose()) return;
  state_->closed = true;
  state_->result = result;
  if (state_->loop) state_->loop->exit(result);
  // A real close (not just hiding) so that closing the last window ends the
  // program; closeEvent() sees the window closed already.
  QWidget::close();
  emit Closed(result);
  if (deleteOnClose_) deleteLater();
}

void UIWindow::closeEvent(QCloseEvent* e) {
  // A close from the window system counts as "close": result 0.
  if (!state_->closed && !CanClose()) {
    e->ignore();
    return;
  }
  if (!state_->closed) Close(kResultCancel);
  e->accept();
}

void UIWindow::DeliverNotify(Notification& n) {
  if (destroying_ || state_->closed) return;
  Notify(n);
}

bool UIWindow::event(QEvent* e) {
  if (e->type() == kMessageEventType && !destroying_) {
    auto* m = static_cast<MessageEvent*>(e);
    HandleMessage(m->Message());
    return true;  // the event (and any record left in it) is freed by Qt
  }
  return QWidget::event(e);
}

// ---- notifications ----------------------------------------------------------

int UserDataIndex(const QObject* control) {
  if (!control) return 0;
  const QString text = control->property("userdata").toString().trimmed();
  // Read like a C decimal conversion: leading digits count, the rest does not.
  bool negative = false;
  qsizetype i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i].isDigit() && value < 1'000'000'000; ++i) value = value * 10 + text[i].digitValue();
  return static_cast<int>(negative ? -value : value);
}

bool SendNotify(QWidget* sender, const QString& type, intptr_t wparam, intptr_t lparam) {
  for (QWidget* w = sender; w; w = w->parentWidget()) {
    if (auto* window = qobject_cast<UIWindow*>(w)) {
      Notification n{type, sender, wparam, lparam};
      window->DeliverNotify(n);
      return true;
    }
  }
  return false;
}

}  // namespace vlm::ui
