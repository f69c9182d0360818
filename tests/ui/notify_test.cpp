// User input through Qt becomes the program's notifications, with the sender.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "test_skin.h"
#include "ui/control_factory.h"
#include "ui/sbutton.h"

namespace vlm::ui {
namespace {

// A custom control that reports drags like the curve control does.
class FakeCurve : public QWidget {
 public:
  using QWidget::QWidget;
  void DragBand(int band) { SendNotify(this, notify::kEqualizerEq, band, 0); }
};

constexpr char kLayout[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>T</class>
<widget class="QWidget" name="root">
 <property name="geometry"><rect><x>0</x><y>0</y><width>400</width><height>500</height></rect></property>
 <layout class="QVBoxLayout" name="l">
  <item><widget class="QPushButton" name="btn_plain"><property name="text"><string>${tips}</string></property></widget></item>
  <item><widget class="QCheckBox" name="ch_show_3"><property name="userdata" stdset="0"><string>3</string></property></widget></item>
  <item><widget class="QRadioButton" name="opt_a"/></item>
  <item><widget class="QSlider" name="eq_slider_4">
    <property name="orientation"><enum>Qt::Horizontal</enum></property>
    <property name="minimum"><number>0</number></property>
    <property name="maximum"><number>100</number></property>
    <property name="minimumSize"><size><width>300</width><height>24</height></size></property>
    <property name="userdata" stdset="0"><string>4</string></property></widget></item>
  <item><widget class="QLineEdit" name="eq_freq_2"/></item>
  <item><widget class="QLineEdit" name="other_edit"/></item>
  <item><widget class="QComboBox" name="hp_type"/></item>
  <item><widget class="QListWidget" name="scene_list"/></item>
  <item><widget class="SButton" name="btn_amp_onoff"><property name="selected"><bool>true</bool></property></widget></item>
  <item><widget class="curve" name="equalizer"/></item>
  <item><widget class="NoSuchControl" name="mystery"/></item>
 </layout>
</widget></ui>)";

class NotifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterControlClass(QStringLiteral("Curve"), [](QWidget* parent) { return new FakeCurve(parent); });
    skin_.Write(QStringLiteral("xml/res.xml"), "<res><layout id=\"XML_T\" file=\"layout/t.ui\"/></res>");
    skin_.Write(QStringLiteral("layout/t.ui"), kLayout);
    ASSERT_TRUE(Skin::Instance().LoadIndex());
    ASSERT_TRUE(w_.Create(QStringLiteral("XML_T")));
    w_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w_));
  }
  template <class T>
  T* Get(const char* name) {
    T* c = w_.FindControl<T>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  test::TempSkin skin_;
  test::RecordingWindow w_;
};

TEST_F(NotifyTest, FactoryMakesCustomControlsWithoutRegardToCase) {
  EXPECT_NE(Get<FakeCurve>("equalizer"), nullptr);
  auto* sb = Get<CSButtonUI>("btn_amp_onoff");
  ASSERT_NE(sb, nullptr);
  EXPECT_TRUE(sb->IsSelected());
  // An unknown class still yields a named placeholder, so the layout loads.
  EXPECT_NE(Get<QWidget>("mystery"), nullptr);
  EXPECT_EQ(CreateCustomControl(QStringLiteral("NoSuchControl"), nullptr, QStringLiteral("x")), nullptr);
  std::unique_ptr<QWidget> made(CreateCustomControl(QStringLiteral("CURVE"), nullptr, QStringLiteral("c")));
  ASSERT_NE(dynamic_cast<FakeCurve*>(made.get()), nullptr);
  EXPECT_EQ(made->objectName(), QStringLiteral("c"));
}

TEST_F(NotifyTest, UserDataIsTheFamilyIndex) {
  EXPECT_EQ(UserDataIndex(Get<QCheckBox>("ch_show_3")), 3);
  EXPECT_EQ(UserDataIndex(Get<QRadioButton>("opt_a")), 0);  // none given
  QObject o;
  o.setProperty("userdata", QString());
  EXPECT_EQ(UserDataIndex(&o), 0);
  o.setProperty("userdata", QStringLiteral("12abc"));
  EXPECT_EQ(UserDataIndex(&o), 12);
  o.setProperty("userdata", QStringLiteral(" 7 "));
  EXPECT_EQ(UserDataIndex(&o), 7);
  EXPECT_EQ(UserDataIndex(nullptr), 0);
}

TEST_F(NotifyTest, ButtonsAndOptionsClickAndChangeSelection) {
  QTest::mouseClick(Get<QPushButton>("btn_plain"), Qt::LeftButton);
  auto* box = Get<QCheckBox>("ch_show_3");
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  EXPECT_EQ(w_.TypesFrom(QStringLiteral("btn_plain")), std::vector<QString>{notify::kClick});
  const auto check = w_.TypesFrom(QStringLiteral("ch_show_3"));
  EXPECT_NE(std::find(check.begin(), check.end(), notify::kSelectChanged), check.end());
  EXPECT_NE(std::find(check.begin(), check.end(), notify::kClick), check.end());
  // A selected-state change of the selectable button, by code, is reported too.
  Get<CSButtonUI>("btn_amp_onoff")->SetSelected(false);
  EXPECT_EQ(w_.TypesFrom(QStringLiteral("btn_amp_onoff")), std::vector<QString>{notify::kSelectChanged});
}

TEST_F(NotifyTest, SliderDragMovesThenCommitsAndCodeStaysSilent) {
  auto* slider = Get<QSlider>("eq_slider_4");
  slider->setValue(0);
  EXPECT_TRUE(w_.TypesFrom(QStringLiteral("eq_slider_4")).empty());

  QStyleOptionSlider opt;
  opt.initFrom(slider);
  opt.orientation = slider->orientation();
  opt.minimum = slider->minimum();
  opt.maximum = slider->maximum();
  opt.sliderPosition = slider->sliderPosition();
  opt.sliderValue = slider->value();
  const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider);
  const QPoint start = handle.center();
  QTest::mousePress(slider, Qt::LeftButton, {}, start);
  for (int dx = 20; dx <= 120; dx += 20) QTest::mouseMove(slider, start + QPoint(dx, 0));
  QTest::mouseRelease(slider, Qt::LeftButton, {}, start + QPoint(120, 0));

  const auto types = w_.TypesFrom(QStringLiteral("eq_slider_4"));
  ASSERT_GE(types.size(), 2u);
  for (size_t i = 0; i + 1 < types.size(); ++i) EXPECT_EQ(types[i], notify::kMoveValueChanged);
  EXPECT_EQ(types.back(), notify::kValueChanged);
  EXPECT_GT(slider->value(), 0);
  EXPECT_EQ(w_.notes.back().wparam, slider->value());

  // A key step is a committed value.
  w_.notes.clear();
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);
  EXPECT_EQ(w_.TypesFrom(QStringLiteral("eq_slider_4")), std::vector<QString>{notify::kValueChanged});
  // At the end of the range a key changes nothing and says nothing.
  slider->setValue(100);
  w_.notes.clear();
  QTest::keyClick(slider, Qt::Key_Right);
  EXPECT_TRUE(w_.TypesFrom(QStringLiteral("eq_slider_4")).empty());
}

TEST_F(NotifyTest, EditKeysAndFocus) {
  auto* edit = Get<QLineEdit>("eq_freq_2");
  auto* other = Get<QLineEdit>("other_edit");
  edit->setFocus();
  QApplication::processEvents();
  QTest::keyClick(edit, Qt::Key_Up);
  QTest::keyClick(edit, Qt::Key_Down);
  QTest::keyClick(edit, Qt::Key_Left);
  QTest::keyClick(edit, Qt::Key_Right);
  QTest::keyClick(edit, Qt::Key_Return);
  other->setFocus();
  QApplication::processEvents();
  const std::vector<QString> expected = {notify::kSetFocus,          notify::kValueChangedUp,
                                         notify::kValueChangedDown,  notify::kValueChangedLeft,
                                         notify::kValueChangedRight, notify::kReturn,
                                         notify::kKillFocus};
  EXPECT_EQ(w_.TypesFrom(QStringLiteral("eq_freq_2")), expected);
}

TEST_F(NotifyTest, ComboSelectsListClicksAndActivates) {
  auto* combo = Get<QComboBox>("hp_type");
  combo->addItems({QStringLiteral("a"), QStringLiteral("b")});
  combo->setCurrentIndex(0);  // by code: silent
  EXPECT_TRUE(w_.TypesFrom(QStringLiteral("hp_type")).empty());
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  ASSERT_EQ(w_.TypesFrom(QStringLiteral("hp_type")), std::vector<QString>{notify::kItemSelect});
  EXPECT_EQ(w_.notes.back().wparam, 1);

  auto* list = Get<QListWidget>("scene_list");
  list->addItems({QStringLiteral("one"), QStringLiteral("two")});
  const QPoint row = list->visualItemRect(list->item(1)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
  const auto types = w_.TypesFrom(QStringLiteral("scene_list"));
  EXPECT_NE(std::find(types.begin(), types.end(), notify::kItemClick), types.end());
  EXPECT_EQ(std::count(types.begin(), types.end(), notify::kItemActivate), 1);
  EXPECT_EQ(w_.notes.back().wparam, 1);
}

TEST_F(NotifyTest, CustomControlNotifiesItsWindow) {
  Get<FakeCurve>("equalizer")->DragBand(5);
  ASSERT_FALSE(w_.notes.empty());
  EXPECT_EQ(w_.notes.back().type, notify::kEqualizerEq);
  EXPECT_EQ(w_.notes.back().sender, QStringLiteral("equalizer"));
  EXPECT_EQ(w_.notes.back().wparam, 5);
  QWidget loose;
  EXPECT_FALSE(SendNotify(&loose, notify::kClick));
}

}  // namespace
}  // namespace vlm::ui
