// The main window's layout: the rules its controls follow that no single
// window test would notice when broken (indices, start-up visibility, size).
#include <gtest/gtest.h>

#include <QMap>
#include <QRegularExpression>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

#include "app/language_setup.h"
#include "test_skin.h"
#include "ui/notification.h"

namespace vlm::ui {
namespace {

class MainLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseBuiltInSkin();
    Language::Instance().Reset();
    RegisterLanguages();
    ASSERT_TRUE(window_.Create(QStringLiteral("XML_MAIN")));
  }
  void TearDown() override { Language::Instance().Select(QStringLiteral("en")); }

  test::RecordingWindow window_;
};

// Handlers take a family member's index from its user data, not from its
// name: a copied row that kept its neighbour's user data would act on the
// wrong band, channel or speaker. Every indexed family must also run without
// gaps from its first index.
TEST_F(MainLayoutTest, FamilyMembersCarryTheirOwnIndexWithoutGaps) {
  static const QRegularExpression indexed(QStringLiteral("^(.+_)(\\d+)$"));
  QMap<QString, QList<int>> families;
  for (QWidget* w : window_.findChildren<QWidget*>()) {
    if (!w->property("userdata").isValid()) continue;
    const auto m = indexed.match(w->objectName());
    if (!m.hasMatch()) continue;
    const int index = m.captured(2).toInt();
    EXPECT_EQ(UserDataIndex(w), index) << w->objectName().toStdString();
    families[m.captured(1)].append(index);
  }
  // Bands, channels (three families each) and speakers (three) at least.
  EXPECT_GE(families.size(), 11);
  for (auto it = families.begin(); it != families.end(); ++it) {
    QList<int> indices = it.value();
    std::sort(indices.begin(), indices.end());
    for (qsizetype i = 1; i < indices.size(); ++i)
      EXPECT_EQ(indices[i], indices[i - 1] + 1) << it.key().toStdString() << " after " << indices[i - 1];
  }
  EXPECT_EQ(families.value(QStringLiteral("speaker_")).value(0), 1);  // speaker positions count from 1
  EXPECT_EQ(families.value(QStringLiteral("eq_freq_")).size(), 31);
}

// Unassigned positions are not shown; the controller shows the assigned
// ones. Showing them must not move the rest of the window.
TEST_F(MainLayoutTest, SpeakerMapStartsHiddenAndShowingItMovesNothing) {
  window_.show();
  QApplication::processEvents();
  auto isSpeakerControl = [](const QWidget* w) {
    const QString name = w->objectName();
    return name.startsWith(QLatin1String("speaker_")) || name.startsWith(QLatin1String("spk_con_")) ||
           name.startsWith(QLatin1String("spk_delay_"));
  };
  QList<QWidget*> speakerControls;
  QMap<QWidget*, QRect> others;
  for (QWidget* w : window_.findChildren<QWidget*>()) {
    if (isSpeakerControl(w)) speakerControls.append(w);
    else others.insert(w, w->geometry());
  }
  ASSERT_EQ(speakerControls.size(), 72);
  for (QWidget* w : speakerControls) {
    EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    w->show();
  }
  QApplication::processEvents();
  for (auto it = others.cbegin(); it != others.cend(); ++it)
    EXPECT_EQ(it.key()->geometry(), it.value()) << it.key()->objectName().toStdString();
}

// At 100 % the window is 1230 x 650 in every language; a longer text must
// find room inside it rather than push the window wider.
TEST_F(MainLayoutTest, FitsItsSizeInEveryLanguage) {
  for (const char* name : {"en", "cn_zh", "ru"}) {
    ASSERT_TRUE(Language::Instance().Select(QString::fromLatin1(name)));
    test::RecordingWindow w;
    ASSERT_TRUE(w.Create(QStringLiteral("XML_MAIN")));
    w.SetDpi(96);
    const QSize needed = w.minimumSizeHint();
    EXPECT_LE(needed.width(), 1230) << name;
    EXPECT_LE(needed.height(), 650) << name;
  }
}

// The width an edit has for its text, as the line edit lays it out: the
// contents of its frame and padding, less its text margins and the fixed
// margin the edit keeps on either side.
int TextRoom(const QLineEdit* edit) {
  QStyleOptionFrame opt;
  opt.initFrom(edit);
  opt.rect = edit->rect();
  opt.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
  const QRect r = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit)
                      .marginsRemoved(edit->textMargins());
  constexpr int kEditMargin = 2;
  return r.width() - 2 * kEditMargin;
}

// Small screens get 80 %, large ones up to 300 %. Fonts do not shrink and
// grow exactly with the lengths (whole pixels, hinting), so at every scale
// and in every language the widest text the program puts into a control
// (its "widest" property) must fit it, the longest combo entry must fit the
// combo and no caption may be cut.
TEST_F(MainLayoutTest, WidestTextsFitAtEveryScale) {
  for (const char* name : {"en", "cn_zh", "ru"}) {
    ASSERT_TRUE(Language::Instance().Select(QString::fromLatin1(name)));
    for (int dpi : {77, 96, 144, 192, 288}) {
      test::RecordingWindow w;
      ASSERT_TRUE(w.Create(QStringLiteral("XML_MAIN")));
      w.SetDpi(dpi);
      w.show();
      QApplication::processEvents();
      for (QWidget* c : w.findChildren<QWidget*>()) {
        const std::string where =
            std::string(name) + " " + std::to_string(w.ScalePercent()) + "% " + c->objectName().toStdString();
        const QString widest = Language::Instance().Resolve(c->property("widest").toString());
        if (auto* edit = qobject_cast<QLineEdit*>(c)) {
          if (widest.isEmpty()) continue;
          EXPECT_LE(edit->fontMetrics().horizontalAdvance(widest) + 1, TextRoom(edit)) << where;
        } else if (auto* button = qobject_cast<QAbstractButton*>(c)) {
          if (!widest.isEmpty()) button->setText(widest);
          if (button->text().isEmpty() || !button->isVisibleTo(&w)) continue;
          EXPECT_LE(button->sizeHint().width(), button->width()) << where;
        } else if (auto* combo = qobject_cast<QComboBox*>(c)) {
          EXPECT_LE(combo->sizeHint().width(), combo->width()) << where;
        } else if (auto* label = qobject_cast<QLabel*>(c)) {
          if (label->text().isEmpty() || !label->isVisibleTo(&w)) continue;
          EXPECT_LE(label->sizeHint().width(), label->width()) << where;
        }
      }
    }
  }
}


// The DPI edit changes the scale of the shown window: from 300 % back down
// to 80 % it takes its 80 % size again, nothing of the larger scale holds it.
TEST_F(MainLayoutTest, ShrinksBackFromALargeScale) {
  window_.show();
  window_.SetDpi(288);
  QApplication::processEvents();
  window_.SetDpi(77);
  QApplication::processEvents();
  EXPECT_EQ(window_.width(), window_.Scaled(window_.InitialSize().width()));
  EXPECT_LE(window_.minimumSizeHint().width(), window_.width());
}

}  // namespace
}  // namespace vlm::ui
