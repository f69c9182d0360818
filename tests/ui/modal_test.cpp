// Modal runs, closing with a result, and closing message windows from outside.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>

#include "support/modal_answer.h"
#include "test_skin.h"

namespace vlm::ui {
namespace {

using vlm::test::Answer;

TEST(ModalTest, AnswererClosesWithItsResult) {
  test::UseBuiltInSkin();
  Answer answer([](UIWindow& w) { w.Close(kResultThird); });
  QPointer<UIWindow> w = new UIWindow(QStringLiteral("MsgWnd"), QStringLiteral("msgwnd"));
  w->Create(QStringLiteral("XML_MSG"));
  EXPECT_EQ(w->ShowModal(), kResultThird);
  EXPECT_TRUE(w->IsClosed());
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.isNull());  // deleted after its run
}

TEST(ModalTest, WindowLeftOpenByTheAnswererReturnsCancel) {
  Answer answer([](UIWindow&) {});
  auto* w = new UIWindow(QStringLiteral("X"), QStringLiteral("x"));
  EXPECT_EQ(w->ShowModal(), kResultCancel);
}

TEST(ModalTest, RealEventLoopEndsWithThePostedClose) {
  // No answerer: the run enters its own loop and a message closes it.
  class Closer : public UIWindow {
   public:
    Closer() : UIWindow(QStringLiteral("X"), QStringLiteral("x")) {}

   protected:
    bool HandleMessage(WindowMessage& m) override {
      Close(static_cast<int>(m.wparam));
      return true;
    }
  };
  auto* w = new Closer;
  ASSERT_TRUE(PostWindowMessage(w->Handle(), 5000, kResultConfirm));
  EXPECT_EQ(w->ShowModal(), kResultConfirm);
}

TEST(ModalTest, WindowSystemCloseCountsAsCancel) {
  Answer answer([](UIWindow& w) { w.close(); });
  auto* w = new UIWindow(QStringLiteral("X"), QStringLiteral("x"));
  EXPECT_EQ(w->ShowModal(), kResultCancel);
}

TEST(ModalTest, OutsideCloseTakesTheFirstMsgWndAndEveryTipsTitle) {
  test::UseBuiltInSkin();
  Language::Instance().Register(QStringLiteral("en"), QStringLiteral("lan/lan_en.xml"));
  Language::Instance().Select(QStringLiteral("en"));
  UIWindow first(QStringLiteral("MsgWnd"), QStringLiteral("msgwnd"));
  UIWindow second(QStringLiteral("AboutWnd"), QStringLiteral("MSGWND"));
  UIWindow tips(QStringLiteral("Other"), QStringLiteral("other"));
  UIWindow untouched(QStringLiteral("Other"), QStringLiteral("other"));
  for (UIWindow* w : {&first, &second, &tips, &untouched}) w->SetDeleteOnClose(false);
  SetWindowTitleText(&tips, QStringLiteral("${tips}"));
  EXPECT_EQ(CloseMessageWindows(), 2);
  EXPECT_TRUE(first.IsClosed());
  EXPECT_FALSE(second.IsClosed());
  EXPECT_TRUE(tips.IsClosed());
  EXPECT_FALSE(untouched.IsClosed());
  // The next one named "msgwnd" goes on the next call.
  EXPECT_EQ(CloseMessageWindows(), 1);
  EXPECT_TRUE(second.IsClosed());
}

TEST(ModalTest, DpiScalesTheLayoutWithoutCompounding) {
  test::UseBuiltInSkin();
  UIWindow w(QStringLiteral("MsgWnd"), QStringLiteral("msgwnd"));
  w.SetDeleteOnClose(false);
  ASSERT_TRUE(w.Create(QStringLiteral("XML_MSG")));
  const QSize initial = w.InitialSize();
  ASSERT_FALSE(initial.isEmpty());
  auto* confirm = w.FindControl<QWidget>(QStringLiteral("confirm_btn"));
  ASSERT_NE(confirm, nullptr);
  const QSize minAt100 = confirm->minimumSize();
  w.SetDpi(144);
  EXPECT_EQ(w.ScalePercent(), 150);
  EXPECT_EQ(w.Dpi(), 144);
  EXPECT_EQ(w.size(), QSize(initial.width() * 3 / 2, initial.height() * 3 / 2));
  EXPECT_EQ(confirm->minimumSize(), minAt100 * 1.5);
  // Texts grow with the window (the style sheet's sizes are scaled).
  auto* text = w.FindControl<QLabel>(QStringLiteral("MessageText"));
  ASSERT_NE(text, nullptr);
  text->ensurePolished();
  const int fontAt150 = text->font().pixelSize();
  w.SetDpi(192);
  text->ensurePolished();
  EXPECT_GT(text->font().pixelSize(), fontAt150);
  w.SetDpi(96);
  text->ensurePolished();
  EXPECT_LT(text->font().pixelSize(), fontAt150);
  EXPECT_EQ(w.ScalePercent(), 100);
  EXPECT_EQ(confirm->minimumSize(), minAt100);
  EXPECT_EQ(w.InitialSize(), initial);
}

}  // namespace
}  // namespace vlm::ui
