#pragma once
// The main window's controls, found by name once when the controller is
// attached, and the one table that says which name goes into which member
// with which kind. The binding code and the layout test both walk that table.
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <array>
#include <span>

#include "model/model_constants.h"

namespace vlm::eqview {
class UIEqualizer;
}

namespace vlm::controller {

// Speaker families are indexed by position code 1..24; slot 0 stays empty.
inline constexpr int kPositionSlots = kSpeakerPositions + 1;

struct MainControls {
  QAbstractButton* btnConnect = nullptr;
  QAbstractButton* btnAmpOnOff = nullptr;
  QAbstractButton* btnAdvance = nullptr;
  QAbstractButton* btnOption = nullptr;
  QAbstractButton* btnScene = nullptr;
  QComboBox* inputSource = nullptr;
  eqview::UIEqualizer* equalizer = nullptr;
  QLineEdit* editMainVolume = nullptr;
  QAbstractSlider* sliderMainVolume = nullptr;
  QAbstractButton* mainMute = nullptr;
  QLineEdit* editAcc = nullptr;
  QAbstractSlider* sliderAcc = nullptr;
  QComboBox* delayUnit = nullptr;
  QComboBox* hpType = nullptr;
  QComboBox* lpType = nullptr;
  QComboBox* hpSlope = nullptr;
  QComboBox* lpSlope = nullptr;
  QLineEdit* hpFreq = nullptr;
  QLineEdit* lpFreq = nullptr;
  QLabel* channelName = nullptr;
  QAbstractSlider* sliderChVolume = nullptr;
  QLineEdit* editChVolume = nullptr;
  QAbstractButton* chMute = nullptr;
  QAbstractButton* chPhase = nullptr;
  std::array<QLineEdit*, kEqBands> eqFreq{};
  std::array<QLineEdit*, kEqBands> eqQ{};
  std::array<QLineEdit*, kEqBands> eqGain{};
  std::array<QAbstractSlider*, kEqBands> eqSlider{};
  std::array<QAbstractButton*, kEqBands> eqEnable{};
  std::array<QAbstractButton*, kOutputChannels> chShow{};
  std::array<QAbstractButton*, kOutputChannels> chSolo{};
  std::array<QAbstractButton*, kOutputChannels> chEnable{};
  std::array<QAbstractButton*, kOutputChannels> chOutputButton{};
  std::array<QAbstractButton*, kPositionSlots> speaker{};
  std::array<QLabel*, kPositionSlots> speakerConnection{};
  std::array<QLineEdit*, kPositionSlots> speakerDelay{};
  QAbstractButton* btnResetEq = nullptr;
  QAbstractButton* btnBypass = nullptr;
  QAbstractButton* btnEqMode = nullptr;
  QAbstractButton* btnResetOutput = nullptr;
  QAbstractButton* btnLockOutput = nullptr;
  QAbstractButton* btnLinkOutput = nullptr;
  QAbstractButton* btnAbA = nullptr;  // the A/B comparison
  QAbstractButton* btnAbB = nullptr;
  QAbstractButton* btnAbCopy = nullptr;
  QAbstractButton* minButton = nullptr;
  QLineEdit* dpiEdit = nullptr;
  QAbstractButton* btnDpi = nullptr;
};

// One row of the binding table: a single control (count 1, name as it
// stands) or a family (name is a printf pattern with one %d, indices
// first .. first + count - 1, each member's user data equal to its index).
struct ControlBinding {
  const char* name;
  const char* kind;  // what the member expects, for messages
  int first;
  int count;
  // Stores `w` in the member (slot `index` for a family) when it has the
  // member's kind; returns whether it did.
  bool (*assign)(MainControls& controls, int index, QWidget* w);

  bool IsFamily() const { return count > 1 || first != 0; }
  QString NameAt(int index) const;
};

std::span<const ControlBinding> MainControlBindings();

// Finds every control of the table under `root`. Returns the names that are
// missing or of another kind (logged as well); the members of those stay null.
QStringList BindMainControls(QWidget* root, MainControls& controls);
// Tool tips for the controls that show no text: the speaker positions, the
// curve-visibility and the band on/off check boxes.
void SetControlTips(MainControls& controls);

}  // namespace vlm::controller
