// The small modal windows: their controls, buttons, results and texts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "support/modal_answer.h"
#include "model/scene_profile.h"
#include "ui/language.h"
#include "ui/skin.h"
#include "windows/about_wnd.h"
#include "windows/loading_wnd.h"
#include "windows/msg_checkbox_wnd.h"
#include "windows/msg_wnd.h"
#include "windows/name_msg_wnd.h"

namespace vlm {
namespace {

using test::Answer;
class WindowsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::Skin::Instance().SetRoot(ui::Skin::BuiltInRoot());
    ui::Skin::Instance().LoadIndex();
    ui::Language::Instance().Register(QStringLiteral("en"), QStringLiteral("lan/lan_en.xml"));
    ui::Language::Instance().Register(QStringLiteral("ru"), QStringLiteral("lan/lan_ru.xml"));
  }
  void SetUp() override { ui::Language::Instance().Select(QStringLiteral("en")); }
  static QString T(const char* key) { return ui::Language::Instance().Text(QString::fromLatin1(key)); }
  static void Click(ui::UIWindow& w, const char* name) {
    auto* b = w.FindControl<QAbstractButton>(QString::fromLatin1(name));
    ASSERT_NE(b, nullptr) << name;
    ASSERT_TRUE(b->isVisible()) << name;
    QTest::mouseClick(b, Qt::LeftButton);
  }
  QWidget parent_;
};

// Every control a window binds exists in its layout with the type it is used as.
TEST_F(WindowsTest, LayoutsHoldTheBoundControls) {
  struct Expect {
    const char* id;
    std::vector<std::pair<const char*, const QMetaObject*>> controls;
  };
  const auto* button = &QPushButton::staticMetaObject;
  const auto* label = &QLabel::staticMetaObject;
  const std::vector<Expect> layouts = {
      {"XML_MSG", {{"closebtn", button}, {"MessageTitle", label}, {"MessageText", label}, {"confirm_btn", button},
                   {"cancel_btn", button}, {"third_btn", button}}},
      {"XML_CHECKBOX_MSG", {{"closebtn", button}, {"MessageTitle", label}, {"MessageText", label},
                            {"check_box_0", &QAbstractButton::staticMetaObject},
                            {"check_box_1", &QAbstractButton::staticMetaObject}, {"confirm_btn", button},
                            {"cancel_btn", button}}},
      {"XML_MSG_NAME", {{"closebtn", button}, {"name_edt", &QLineEdit::staticMetaObject}, {"confirm_btn", button},
                        {"cancel_btn", button}, {"third_btn", button}}},
      {"XML_LOADING", {{"closebtn", button}, {"confirm_btn", button}, {"cancel_btn", button}, {"loading_anim", label}}},
      {"XML_ABOUT", {{"closebtn", button}, {"fw_version", label}, {"soft_version", label}, {"inner_fw_version", label},
                     {"company_title", label}, {"confirm_btn", button}, {"cancel_btn", button}, {"third_btn", button}}},
  };
  for (const Expect& e : layouts) {
    ui::UIWindow w(QStringLiteral("T"), QStringLiteral("t"));
    w.SetDeleteOnClose(false);
    ASSERT_TRUE(w.Create(QString::fromLatin1(e.id))) << e.id;
    for (const auto& [name, type] : e.controls) {
      QWidget* c = w.FindControl<QWidget>(QString::fromLatin1(name));
      ASSERT_NE(c, nullptr) << e.id << " " << name;
      EXPECT_TRUE(c->inherits(type->className())) << e.id << " " << name << " is " << c->metaObject()->className();
    }
  }
}

TEST_F(WindowsTest, MessageWithOneButtonShowsOnlyConfirm) {
  bool checked = false;
  Answer answer([&](ui::UIWindow& w) {
    auto* confirm = w.FindControl<QPushButton>(QStringLiteral("confirm_btn"));
    auto* cancel = w.FindControl<QPushButton>(QStringLiteral("cancel_btn"));
    auto* third = w.FindControl<QPushButton>(QStringLiteral("third_btn"));
    EXPECT_TRUE(confirm->isVisible());
    EXPECT_EQ(confirm->text(), T("apply"));
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_FALSE(third->isVisible());
    EXPECT_EQ(w.FindControl<QLabel>(QStringLiteral("MessageTitle"))->text(), T("tips"));
    EXPECT_EQ(w.FindControl<QLabel>(QStringLiteral("MessageText"))->text(), T("device_plugout"));
    EXPECT_EQ(w.windowTitle(), T("tips"));
    checked = true;
    Click(w, "confirm_btn");
  });
  EXPECT_EQ(ShowMessageEx(&parent_, QStringLiteral("${tips}"), QStringLiteral("${device_plugout}"),
                          {QStringLiteral("${apply}")}, 1),
            1);
  EXPECT_TRUE(checked);
}

TEST_F(WindowsTest, MessageWithTwoAndThreeButtons) {
  Answer answer([&](ui::UIWindow& w) {
    auto* cancel = w.FindControl<QPushButton>(QStringLiteral("cancel_btn"));
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_EQ(cancel->text(), T("off"));
    EXPECT_FALSE(w.FindControl<QPushButton>(QStringLiteral("third_btn"))->isVisible());
    Click(w, "cancel_btn");
  });
  EXPECT_EQ(ShowMessageEx(&parent_, QStringLiteral("${tips}"), QStringLiteral("x"),
                          {QStringLiteral("${confirm}"), QStringLiteral("${off}")}, 2),
            0);

  Answer three([&](ui::UIWindow& w) {
    auto* third = w.FindControl<QPushButton>(QStringLiteral("third_btn"));
    EXPECT_TRUE(third->isVisible());
    EXPECT_EQ(third->text(), QStringLiteral("Later"));
    Click(w, "third_btn");
  });
  EXPECT_EQ(ShowMessageEx(&parent_, QStringLiteral("${tips}"), QStringLiteral("x"),
                          {QStringLiteral("${confirm}"), QStringLiteral("${cancel}"), QStringLiteral("Later")}, 3),
            2);

  // Escape answers like cancel, also with three buttons.
  Answer escape([&](ui::UIWindow& w) {
    QTest::keyClick(w.FindControl<QPushButton>(QStringLiteral("confirm_btn")), Qt::Key_Escape);
    EXPECT_TRUE(w.IsClosed());
  });
  EXPECT_EQ(ShowMessageEx(&parent_, QStringLiteral("${tips}"), QStringLiteral("x"),
                          {QStringLiteral("${confirm}"), QStringLiteral("${cancel}"), QStringLiteral("Later")}, 3),
            0);
}

TEST_F(WindowsTest, MessageCloseButtonAndEmptyTextsKeepTheLayout) {
  Answer answer([&](ui::UIWindow& w) {
    // Empty title and text leave what the layout has.
    EXPECT_EQ(w.FindControl<QLabel>(QStringLiteral("MessageTitle"))->text(), T("tips"));
    EXPECT_TRUE(w.FindControl<QPushButton>(QStringLiteral("cancel_btn"))->isVisible());
    Click(w, "closebtn");
  });
  EXPECT_EQ(ShowMessage(&parent_, QString(), QString()), 0);
}

TEST_F(WindowsTest, ChoiceIgnoresConfirmUntilAnOptionIsChosen) {
  Answer answer([&](ui::UIWindow& w) {
    EXPECT_EQ(w.FindControl<QAbstractButton>(QStringLiteral("check_box_0"))->text(), T("copy_left_to_right"));
    EXPECT_EQ(w.FindControl<QAbstractButton>(QStringLiteral("check_box_1"))->text(), T("copy_right_to_left"));
    Click(w, "confirm_btn");
    EXPECT_FALSE(w.IsClosed());
    w.FindControl<QAbstractButton>(QStringLiteral("check_box_1"))->click();
    Click(w, "confirm_btn");
  });
  EXPECT_EQ(ShowChoice(&parent_, QStringLiteral("${tips}"), QStringLiteral("${link_tips}"),
                       QStringLiteral("${copy_left_to_right}"), QStringLiteral("${copy_right_to_left}")),
            2);

  Answer first([&](ui::UIWindow& w) {
    w.FindControl<QAbstractButton>(QStringLiteral("check_box_0"))->click();
    Click(w, "confirm_btn");
  });
  EXPECT_EQ(ShowChoice(&parent_, QStringLiteral("${tips}"), QStringLiteral("${link_tips}"), QStringLiteral("a"),
                       QStringLiteral("b")),
            1);
  Answer cancel([&](ui::UIWindow& w) {
    w.FindControl<QAbstractButton>(QStringLiteral("check_box_0"))->click();
    Click(w, "cancel_btn");
  });
  EXPECT_EQ(ShowChoice(&parent_, QStringLiteral("${tips}"), QStringLiteral("t"), QStringLiteral("a"),
                       QStringLiteral("b")),
            0);
}

TEST_F(WindowsTest, EnterInTheNameEditAcceptsLikeConfirm) {
  for (bool useEnter : {true, false}) {
    QString name = QStringLiteral("Old");
    Answer answer([&](ui::UIWindow& w) {
      auto* edit = w.FindControl<QLineEdit>(QStringLiteral("name_edt"));
      EXPECT_EQ(edit->text(), QStringLiteral("Old"));
      edit->clear();
      QTest::keyClicks(edit, QStringLiteral("Bass"));
      if (useEnter) QTest::keyClick(edit, Qt::Key_Return);
      else Click(w, "confirm_btn");
    });
    EXPECT_EQ(ShowNameEntry(&parent_, &name), 1) << useEnter;
    EXPECT_EQ(name, QStringLiteral("Bass")) << useEnter;
  }
}

TEST_F(WindowsTest, NameStaysWithinSevenCharactersAndCancelKeepsIt) {
  QString name = QStringLiteral("Unchanged");
  Answer answer([&](ui::UIWindow& w) {
    auto* edit = w.FindControl<QLineEdit>(QStringLiteral("name_edt"));
    EXPECT_EQ(edit->text(), QStringLiteral("Unchang"));  // a too long name is cut on show
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("ABCDEFGHIJ"));
    EXPECT_EQ(edit->text(), QStringLiteral("ABCDEFG"));
    Click(w, "cancel_btn");
  });
  EXPECT_EQ(ShowNameEntry(&parent_, &name), 0);
  EXPECT_EQ(name, QStringLiteral("Unchanged"));

  // A cut never splits a character made of two UTF-16 units.
  const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");  // one character, two units
  EXPECT_EQ(ClampSceneName(QStringLiteral("abcdef") + clef), QStringLiteral("abcdef"));
  EXPECT_EQ(ClampSceneName(QStringLiteral("abcde") + clef), QStringLiteral("abcde") + clef);
  EXPECT_EQ(ClampSceneName(QString::fromUtf8("场景一二三四五六")), QString::fromUtf8("场景一二三四五"));
}

TEST_F(WindowsTest, TypingElsewhereInTheNameWindowGoesToTheEdit) {
  QString name;
  Answer answer([&](ui::UIWindow& w) {
    auto* edit = w.FindControl<QLineEdit>(QStringLiteral("name_edt"));
    auto* confirm = w.FindControl<QPushButton>(QStringLiteral("confirm_btn"));
    confirm->setFocus();
    // The button has no use for a letter; it travels up to the window.
    QTest::keyClick(confirm, Qt::Key_Z);
    EXPECT_EQ(edit->text(), QStringLiteral("z"));
    Click(w, "closebtn");
  });
  EXPECT_EQ(ShowNameEntry(&parent_, &name), 0);
  EXPECT_TRUE(name.isEmpty());
}

TEST_F(WindowsTest, AboutShowsVersionsAndTheDisconnectedForm) {
  SceneProfile profile;
  profile.handshakeModel = 78;
  profile.versionMajor = 16;
  profile.versionMinor = 21;
  Answer connected([&](ui::UIWindow& w) {
    EXPECT_EQ(w.FindControl<QLabel>(QStringLiteral("fw_version"))->text(),
              QStringLiteral("VLM24.60DSP %1 v16.21").arg(T("version")));
    EXPECT_EQ(w.FindControl<QLabel>(QStringLiteral("soft_version"))->text(),
              QStringLiteral("%1 v" VLM_VERSION).arg(T("soft_version")));
    auto* inner = w.FindControl<QLabel>(QStringLiteral("inner_fw_version"));
    EXPECT_TRUE(inner->isVisible());
    EXPECT_EQ(inner->text(), QStringLiteral("%1 v16.19").arg(T("inner_fw_version")));
    EXPECT_EQ(w.FindControl<QLabel>(QStringLiteral("company_title"))->text(), QStringLiteral("VLM24.60 DSP Audio"));
    EXPECT_EQ(w.CreationName(), QStringLiteral("msgwnd"));
    Click(w, "confirm_btn");
  });
  EXPECT_EQ(ShowAbout(&parent_, AboutIdentityOf(profile)), 1);

  Answer disconnected([&](ui::UIWindow& w) {
    auto* fw = w.FindControl<QLabel>(QStringLiteral("fw_version"));
    EXPECT_EQ(fw->text(), QStringLiteral("VLM24.60DSP %1").arg(T("dsp_disconnect")));
    // The text follows a language switch while the window is open.
    ASSERT_TRUE(ui::Language::Instance().Select(QStringLiteral("ru")));
    ui::RetranslateAll();
    EXPECT_EQ(fw->text(), QStringLiteral("VLM24.60DSP %1").arg(T("dsp_disconnect")));
    Click(w, "closebtn");
  });
  EXPECT_EQ(ShowAbout(&parent_, AboutIdentityOf(SceneProfile{})), 0);
}

TEST_F(WindowsTest, LoadingWindowClosesByOwnerOrUser) {
  QPointer<CLoadingWnd> wnd = new CLoadingWnd(&parent_);
  wnd->Create(QStringLiteral("XML_LOADING"));
  Answer owner([&](ui::UIWindow& w) {
    // Its buttons stay hidden; only the owner or the close button end it.
    EXPECT_FALSE(w.FindControl<QPushButton>(QStringLiteral("confirm_btn"))->isVisible());
    EXPECT_TRUE(w.FindControl<QPushButton>(QStringLiteral("closebtn"))->isVisible());
    w.Close(ui::kResultConfirm);
  });
  EXPECT_EQ(wnd->ShowModal(), 1);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(wnd.isNull());

  auto* user = new CLoadingWnd(&parent_);
  user->Create(QStringLiteral("XML_LOADING"));
  Answer close([&](ui::UIWindow& w) { Click(w, "closebtn"); });
  EXPECT_EQ(user->ShowModal(), 0);
}

TEST_F(WindowsTest, PlugEventClosesOpenMessageBoxes) {
  Answer answer([&](ui::UIWindow& w) {
    EXPECT_EQ(ui::CloseMessageWindows(), 1);
    EXPECT_TRUE(w.IsClosed());
  });
  EXPECT_EQ(ShowMessage(&parent_, QStringLiteral("${tips}"), QStringLiteral("${device_plugout}")), 0);
}

}  // namespace
}  // namespace vlm
