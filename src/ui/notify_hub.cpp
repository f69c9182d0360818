#include "ui/notify_hub.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QCheckBox>

#include "ui/notification.h"
#include "ui/sbutton.h"
#include "ui/window.h"

namespace vlm::ui {

NotifyHub::NotifyHub(UIWindow* window) : QObject(window), window_(window) {}

void NotifyHub::Send(QWidget* sender, const QString& type, intptr_t wparam, intptr_t lparam) {
  Notification n{type, sender, wparam, lparam};
  window_->DeliverNotify(n);
}

void NotifyHub::Wire(QWidget* root) {
  if (!root) return;
  WireOne(root);
  for (QWidget* w : root->findChildren<QWidget*>()) WireOne(w);
}

void NotifyHub::WireSlider(QAbstractSlider* slider) {
  // A user action (key, page click, wheel, drag) announces itself through
  // actionTriggered before the value is applied; values set by code do not,
  // so they never come back as notifications.
  auto pending = std::make_shared<QString>();
  connect(slider, &QAbstractSlider::actionTriggered, this, [slider, pending](int action) {
    if (action == QAbstractSlider::SliderNoAction) return;
    if (slider->sliderPosition() == slider->value()) return;
    *pending = slider->isSliderDown() ? notify::kMoveValueChanged : notify::kValueChanged;
  });
  connect(slider, &QAbstractSlider::valueChanged, this, [this, slider, pending](int value) {
    if (pending->isEmpty()) return;
    const QString type = *pending;
    pending->clear();
    Send(slider, type, value);
  });
  connect(slider, &QAbstractSlider::sliderReleased, this,
          [this, slider] { Send(slider, notify::kValueChanged, slider->value()); });
}

void NotifyHub::WireOne(QWidget* w) {
  if (w == window_ || wired_.contains(w)) return;
  wired_.insert(w);
  connect(w, &QObject::destroyed, this, [this](QObject* o) { wired_.remove(o); });

  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    connect(button, &QAbstractButton::clicked, this, [this, button] { Send(button, notify::kClick); });
    if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
      connect(button, &QAbstractButton::toggled, this,
              [this, button](bool on) { Send(button, notify::kSelectChanged, on ? 1 : 0); });
    } else if (auto* sbutton = qobject_cast<CSButtonUI*>(w)) {
      connect(sbutton, &CSButtonUI::SelectedChanged, this,
              [this, sbutton](bool on) { Send(sbutton, notify::kSelectChanged, on ? 1 : 0); });
    }
    return;
  }
  if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
    WireSlider(slider);
    return;
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    connect(combo, &QComboBox::activated, this, [this, combo](int index) { Send(combo, notify::kItemSelect, index); });
    return;
  }
  if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
    connect(view, &QAbstractItemView::clicked, this,
            [this, view](const QModelIndex& i) { Send(view, notify::kItemClick, i.row()); });
    connect(view, &QAbstractItemView::doubleClicked, this,
            [this, view](const QModelIndex& i) { Send(view, notify::kItemActivate, i.row()); });
    connect(view, &QAbstractItemView::activated, this, [this, view](const QModelIndex& i) {
      // Enter on a row activates it too; a double click already sent its own.
      if (view->property("vlm_dblclick").toBool()) {
        view->setProperty("vlm_dblclick", false);
        return;
      }
      Send(view, notify::kItemActivate, i.row());
    });
    connect(view, &QAbstractItemView::doubleClicked, this,
            [view](const QModelIndex&) { view->setProperty("vlm_dblclick", true); });
    return;
  }
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    connect(edit, &QLineEdit::returnPressed, this, [this, edit] { Send(edit, notify::kReturn); });
    edit->installEventFilter(this);
    return;
  }
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
    spin->installEventFilter(this);
    connect(spin, &QAbstractSpinBox::editingFinished, this, [this, spin] {
      if (spin->hasFocus()) Send(spin, notify::kReturn);
    });
    return;
  }
}

bool NotifyHub::eventFilter(QObject* watched, QEvent* e) {
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w) return false;
  switch (e->type()) {
    case QEvent::FocusIn:
      Send(w, notify::kSetFocus);
      break;
    case QEvent::FocusOut:
      Send(w, notify::kKillFocus);
      break;
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(e);
      // Up and down step an edit's value: the window's handler does the
      // stepping, so the key goes no further.
      switch (key->key()) {
        case Qt::Key_Up:
          Send(w, notify::kValueChangedUp);
          return true;
        case Qt::Key_Down:
          Send(w, notify::kValueChangedDown);
          return true;
        case Qt::Key_Left:
          Send(w, notify::kValueChangedLeft);
          break;
        case Qt::Key_Right:
          Send(w, notify::kValueChangedRight);
          break;
        default:
          break;
      }
      break;
    }
    default:
      break;
  }
  return false;
}

}  // namespace vlm::ui
