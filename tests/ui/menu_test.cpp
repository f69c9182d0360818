// Menus from menu files: items by name, and a click posted to the owner.
#include <gtest/gtest.h>

#include <QApplication>

#include "test_skin.h"
#include "ui/menu.h"

namespace vlm::ui {
namespace {

constexpr char kMenu[] = R"(<menu>
  <item name="first" text="${tips}" userdata="7"/>
  <separator/>
  <menu name="sub" text="${language}">
    <item name="deep" text="Deep" checkable="true" checked="true"/>
  </menu>
  <item name="off" text="Off" enabled="false"/>
</menu>)";

TEST(MenuTest, ItemsAreFoundHiddenAndGivenIcons) {
  test::UseBuiltInSkin();
  test::RecordingWindow owner;
  std::unique_ptr<UIMenu> menu(UIMenu::FromXml(kMenu, &owner, owner.Handle()));
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(menu->FindItem(QStringLiteral("deep")), nullptr);  // found inside the sub-menu
  EXPECT_EQ(menu->FindItem(QStringLiteral("none")), nullptr);
  EXPECT_TRUE(menu->SetItemVisible(QStringLiteral("first"), false));
  EXPECT_FALSE(menu->FindItem(QStringLiteral("first"))->isVisible());
  EXPECT_FALSE(menu->SetItemVisible(QStringLiteral("none"), false));
  EXPECT_TRUE(menu->SetItemIcon(QStringLiteral("first"), QStringLiteral("check_on")));
  EXPECT_FALSE(menu->FindItem(QStringLiteral("first"))->icon().isNull());
  EXPECT_TRUE(menu->SetItemIcon(QStringLiteral("first"), QStringLiteral("no_such_image")));
  EXPECT_TRUE(menu->FindItem(QStringLiteral("first"))->icon().isNull());
  EXPECT_FALSE(menu->FindItem(QStringLiteral("off"))->isEnabled());
  EXPECT_EQ(menu->FindItem(QStringLiteral("first"))->text(), Language::Instance().Resolve(QStringLiteral("${tips}")));
}

TEST(MenuTest, ClickPostsTheRecordToTheOwner) {
  test::RecordingWindow owner;
  MenuClickRecord got;
  owner.onMessage = [&](WindowMessage& m) {
    if (auto r = m.record.Take<MenuClickRecord>()) got = *r;
    return true;
  };
  std::unique_ptr<UIMenu> menu(UIMenu::FromXml(kMenu, &owner, owner.Handle()));
  ASSERT_NE(menu, nullptr);
  menu->Trigger(menu->FindItem(QStringLiteral("first")));
  EXPECT_TRUE(owner.messages.empty());  // posted, not sent
  QApplication::sendPostedEvents(&owner);
  ASSERT_EQ(owner.messages, std::vector<int>{kMenuClickMessage});
  EXPECT_EQ(got.name, QStringLiteral("first"));
  EXPECT_EQ(got.userData, QStringLiteral("7"));
  EXPECT_FALSE(got.checked);
  menu->Trigger(menu->FindItem(QStringLiteral("deep")));
  QApplication::sendPostedEvents(&owner);
  EXPECT_EQ(got.name, QStringLiteral("deep"));
  EXPECT_FALSE(got.checked);  // toggled by the click
  // A disabled item posts nothing.
  menu->Trigger(menu->FindItem(QStringLiteral("off")));
  QApplication::sendPostedEvents(&owner);
  EXPECT_EQ(owner.messages.size(), 2u);
}

TEST(MenuTest, LongFieldsAreCutToTheRecordSizes) {
  test::RecordingWindow owner;
  MenuClickRecord got;
  owner.onMessage = [&](WindowMessage& m) {
    if (auto r = m.record.Take<MenuClickRecord>()) got = *r;
    return true;
  };
  const QByteArray xml = "<menu><item name=\"" + QByteArray(300, 'n') + "\" userdata=\"" + QByteArray(2000, 'u') +
                         "\" text=\"" + QByteArray(2000, 't') + "\"/></menu>";
  std::unique_ptr<UIMenu> menu(UIMenu::FromXml(xml, &owner, owner.Handle()));
  ASSERT_NE(menu, nullptr);
  menu->Trigger(menu->actions().value(0));
  QApplication::sendPostedEvents(&owner);
  EXPECT_EQ(got.name.size(), 255);
  EXPECT_EQ(got.userData.size(), 1023);
  EXPECT_EQ(got.text.size(), 1023);
}

TEST(MenuTest, MissingOrMalformedMenuGivesNothing) {
  test::UseBuiltInSkin();
  test::RecordingWindow owner;
  EXPECT_EQ(UIMenu::Load(QStringLiteral("no_menu"), &owner, owner.Handle()), nullptr);
  EXPECT_EQ(UIMenu::FromXml("<menu><item name=\"a\"", &owner, owner.Handle()), nullptr);
  EXPECT_EQ(UIMenu::FromXml("<notmenu/>", &owner, owner.Handle()), nullptr);
  std::unique_ptr<UIMenu> real(UIMenu::Load(QStringLiteral("xml/option_menu.xml"), &owner, owner.Handle()));
  ASSERT_NE(real, nullptr);
  EXPECT_NE(real->FindItem(QStringLiteral("option_item_language_ru")), nullptr);
}

}  // namespace
}  // namespace vlm::ui
