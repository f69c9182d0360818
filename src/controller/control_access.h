#pragma once
// How the editing operations read and set controls. Every setter here is a
// programmatic refresh: it never raises a notification, so refreshing an
// option cannot come back as "selectchanged" and queue a command.
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <string>

namespace vlm::controller {

// Checked state of an option; for a button with a selected state (SButton)
// its selected state.
bool IsOn(const QAbstractButton* option);
void SetOn(QAbstractButton* option, bool on);

// Text as written (language keys stay keys, so a language switch
// re-resolves them) and as the user sees it now.
void SetShown(QWidget* control, const QString& text);
std::string TypedText(const QLineEdit* edit);
// True when the edit shows the text of "${off}" (in the current language,
// or the key itself).
bool ShowsOff(const QLineEdit* edit);

void SetSliderValue(QAbstractSlider* slider, int value);
int SliderValue(const QAbstractSlider* slider, int fallback);
int SliderMin(const QAbstractSlider* slider, int fallback);
int SliderMax(const QAbstractSlider* slider, int fallback);

void SetComboIndex(QComboBox* combo, int index);
void SetVisible(QWidget* control, bool visible);

// The key of the "${off}" text.
inline const QString kOffText = QStringLiteral("${off}");

}  // namespace vlm::controller
