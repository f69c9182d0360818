#pragma once
// The notification vocabulary: what a window's handler receives for a user
// action, with the sending control.
#include <QPointer>
#include <QString>
#include <QWidget>

namespace vlm::ui {

namespace notify {
inline const QString kClick = QStringLiteral("click");
inline const QString kSelectChanged = QStringLiteral("selectchanged");
inline const QString kValueChanged = QStringLiteral("valuechanged");
inline const QString kMoveValueChanged = QStringLiteral("movevaluechanged");
inline const QString kValueChangedUp = QStringLiteral("valuechangedup");
inline const QString kValueChangedDown = QStringLiteral("valuechangeddown");
inline const QString kValueChangedLeft = QStringLiteral("valuechangedleft");
inline const QString kValueChangedRight = QStringLiteral("valuechangedright");
inline const QString kReturn = QStringLiteral("return");
inline const QString kKillFocus = QStringLiteral("killfocus");
inline const QString kSetFocus = QStringLiteral("setfocus");
inline const QString kItemSelect = QStringLiteral("itemselect");
inline const QString kItemClick = QStringLiteral("itemclick");
inline const QString kItemActivate = QStringLiteral("itemactivate");
inline const QString kEqualizerEq = QStringLiteral("equalizer_eq");
inline const QString kEqualizerHp = QStringLiteral("equalizer_hp");
inline const QString kEqualizerLp = QStringLiteral("equalizer_lp");
}  // namespace notify

struct Notification {
  QString type;
  QPointer<QWidget> sender;
  intptr_t wparam = 0;
  intptr_t lparam = 0;

  QString SenderName() const { return sender ? sender->objectName() : QString(); }
  bool Is(const QString& t) const { return type == t; }
  // Exact name, or name prefix for control families.
  bool From(const QString& name) const { return SenderName() == name; }
  bool FromPrefix(const QString& prefix) const { return SenderName().startsWith(prefix); }
  bool FromNoCase(const QString& name) const { return SenderName().compare(name, Qt::CaseInsensitive) == 0; }
};

// A control's family index: its "userdata" property read as a decimal
// integer; empty or missing reads as 0.
int UserDataIndex(const QObject* control);

// Delivers a notification from `sender` to the window that contains it.
// Custom controls (the curve control) call this for their own types.
// Returns false when `sender` is in no UIWindow.
bool SendNotify(QWidget* sender, const QString& type, intptr_t wparam = 0, intptr_t lparam = 0);

}  // namespace vlm::ui
