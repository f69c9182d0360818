// The binding table and the route table against the real main layout: a
// misspelt name, a control of the wrong kind or a wrong user data fails here.
#include <gtest/gtest.h>

#include <QWidget>

#include "app/application.h"
#include "app/main_wnd.h"
#include "controller/control_bindings.h"
#include "eqview/qt/ui_equalizer.h"
#include "ui/notification.h"
#include "ui/window.h"

namespace vlm {
namespace {

class MainLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    eqview::UIEqualizer::Register();
    ASSERT_TRUE(LoadSkin(QString()));
    ASSERT_TRUE(window_.Create(QStringLiteral("XML_MAIN")));
  }
  ui::UIWindow window_{QStringLiteral("MainWnd"), QStringLiteral("layout"), nullptr, ui::UIWindow::Kind::Main};
};

TEST_F(MainLayout, EveryBoundControlExistsWithItsKindAndIndex) {
  controller::MainControls controls;
  for (const controller::ControlBinding& b : controller::MainControlBindings()) {
    for (int i = b.first; i < b.first + b.count; ++i) {
      const QString name = b.NameAt(i);
      QWidget* w = window_.findChild<QWidget*>(name);
      ASSERT_NE(w, nullptr) << "missing " << name.toStdString();
      EXPECT_TRUE(b.assign(controls, i, w)) << name.toStdString() << " is not a " << b.kind << " but a "
                                            << w->metaObject()->className();
      if (b.IsFamily()) {
        EXPECT_EQ(ui::UserDataIndex(w), i) << name.toStdString();
      }
    }
  }
  EXPECT_TRUE(controller::BindMainControls(&window_, controls).isEmpty());
}

TEST_F(MainLayout, SpeakerControlsStartHidden) {
  for (const char* family : {"speaker_%d", "spk_con_%d", "spk_delay_%d"}) {
    for (int p = 1; p <= kSpeakerPositions; ++p) {
      QWidget* w = window_.findChild<QWidget*>(QString::asprintf(family, p));
      ASSERT_NE(w, nullptr);
      EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    }
  }
}

TEST_F(MainLayout, EveryRouteNamesControlsOfTheLayout) {
  const QList<QWidget*> all = window_.findChildren<QWidget*>();
  for (const CMainWnd::Route& route : CMainWnd::Routes()) {
    if (route.sender[0] == '\0') continue;  // rows for any edit
    bool found = false;
    for (QWidget* w : all) {
      ui::Notification n{QString::fromLatin1(route.type), w};
      if (CMainWnd::Matches(route, n)) {
        found = true;
        break;
      }
    }
    EXPECT_TRUE(found) << route.type << " from " << route.sender << " matches no control";
  }
}

TEST_F(MainLayout, ExactRowsDoNotTakeLongerNames) {
  // "edit_main_volume" commits match exactly; prefix rows take the family.
  QWidget other;
  other.setObjectName(QStringLiteral("edit_main_volume_2"));
  QWidget delay;
  delay.setObjectName(QStringLiteral("spk_delay_17"));
  for (const CMainWnd::Route& route : CMainWnd::Routes()) {
    ui::Notification n{QString::fromLatin1(route.type), &other};
    if (route.match == CMainWnd::Match::Exact && QLatin1String(route.sender) == QLatin1String("edit_main_volume")) {
      EXPECT_FALSE(CMainWnd::Matches(route, n));
    }
    ui::Notification d{QString::fromLatin1(route.type), &delay};
    if (QLatin1String(route.sender) == QLatin1String("spk_delay_")) {
      EXPECT_TRUE(CMainWnd::Matches(route, d));
    }
  }
}

}  // namespace
}  // namespace vlm
