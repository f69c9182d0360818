// Language keys: resolution, selection, and texts that follow a switch
// without rebuilding the window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

#include "app/language_setup.h"
#include "test_skin.h"

namespace vlm::ui {
namespace {

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseBuiltInSkin();
    Language::Instance().Reset();
    RegisterLanguages();
  }
  void TearDown() override { Language::Instance().Select(QStringLiteral("en")); }
};

TEST_F(LanguageTest, FirstRegisteredIsTheDefaultAndUnknownSelectionsChangeNothing) {
  Language& lang = Language::Instance();
  EXPECT_EQ(lang.Current(), QStringLiteral("en"));
  EXPECT_FALSE(lang.Select(QStringLiteral("de")));
  EXPECT_EQ(lang.Current(), QStringLiteral("en"));
  const QString tips = lang.Text(QStringLiteral("tips"));
  EXPECT_FALSE(tips.isEmpty());
  ASSERT_TRUE(lang.Select(QStringLiteral("ru")));
  EXPECT_NE(lang.Text(QStringLiteral("tips")), tips);
}

TEST_F(LanguageTest, ResolveReplacesEveryKeyAndKeepsUnknownOnesVisible) {
  Language& lang = Language::Instance();
  const QString tips = lang.Text(QStringLiteral("tips"));
  const QString confirm = lang.Text(QStringLiteral("confirm"));
  EXPECT_EQ(lang.Resolve(QStringLiteral("${tips}: ${confirm}!")), tips + QStringLiteral(": ") + confirm + '!');
  EXPECT_EQ(lang.Resolve(QStringLiteral("plain")), QStringLiteral("plain"));
  EXPECT_EQ(lang.Resolve(QStringLiteral("${no_such_key} x")), QStringLiteral("${no_such_key} x"));
  EXPECT_EQ(lang.Resolve(QStringLiteral("open ${tips")), QStringLiteral("open ${tips"));
}

TEST_F(LanguageTest, MalformedFileIsRefusedAndKeepsTheTable) {
  test::TempSkin temp;
  temp.Write(QStringLiteral("lan/good.xml"), "<language name=\"x\"><string key=\"a\">A</string></language>");
  temp.Write(QStringLiteral("lan/bad.xml"), "<language name=\"y\"><string key=\"a\">B</strin");
  Language& lang = Language::Instance();
  lang.Register(QStringLiteral("good"), QStringLiteral("lan/good.xml"));
  lang.Register(QStringLiteral("bad"), QStringLiteral("lan/bad.xml"));
  lang.Register(QStringLiteral("gone"), QStringLiteral("lan/gone.xml"));
  ASSERT_TRUE(lang.Select(QStringLiteral("good")));
  EXPECT_FALSE(lang.Select(QStringLiteral("bad")));
  EXPECT_FALSE(lang.Select(QStringLiteral("gone")));
  EXPECT_EQ(lang.Current(), QStringLiteral("good"));
  EXPECT_EQ(lang.Resolve(QStringLiteral("${a}")), QStringLiteral("A"));
}

TEST_F(LanguageTest, EveryLanguageHasTheSameKeys) {
  QHash<QString, QString> en, cn, ru;
  ASSERT_TRUE(Language::ParseFile(Skin::Instance().ReadFile(QStringLiteral("lan/lan_en.xml")), &en));
  ASSERT_TRUE(Language::ParseFile(Skin::Instance().ReadFile(QStringLiteral("lan/lan_cn.xml")), &cn));
  ASSERT_TRUE(Language::ParseFile(Skin::Instance().ReadFile(QStringLiteral("lan/lan_ru.xml")), &ru));
  for (auto it = en.cbegin(); it != en.cend(); ++it) {
    EXPECT_TRUE(cn.contains(it.key())) << it.key().toStdString();
    EXPECT_TRUE(ru.contains(it.key())) << it.key().toStdString();
  }
  EXPECT_EQ(en.size(), cn.size());
  EXPECT_EQ(en.size(), ru.size());
}

// Every text a user can see in every layout, after switching to each language.
TEST_F(LanguageTest, NoLayoutShowsAnUnresolvedKeyInAnyLanguage) {
  const QStringList ids = {"XML_MAIN", "XML_MSG", "XML_CHECKBOX_MSG", "XML_MSG_NAME", "XML_LOADING", "XML_ABOUT"};
  std::vector<std::unique_ptr<test::RecordingWindow>> windows;
  for (const QString& id : ids) {
    windows.push_back(std::make_unique<test::RecordingWindow>());
    ASSERT_TRUE(windows.back()->Create(id)) << id.toStdString();
  }
  for (const char* name : {"cn_zh", "ru", "en"}) {
    ASSERT_TRUE(Language::Instance().Select(QString::fromLatin1(name)));
    RetranslateAll();
    for (auto& w : windows) {
      QList<QWidget*> all = w->findChildren<QWidget*>();
      all.prepend(w.get());
      for (QWidget* c : all) {
        QStringList shown = {c->windowTitle(), c->toolTip()};
        if (auto* l = qobject_cast<QLabel*>(c)) shown << l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(c)) shown << b->text();
        if (auto* e = qobject_cast<QLineEdit*>(c)) shown << e->text() << e->placeholderText();
        if (auto* box = qobject_cast<QComboBox*>(c))
          for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
        for (const QString& s : shown)
          EXPECT_FALSE(s.contains(QLatin1String("${"))) << name << " " << c->objectName().toStdString() << ": "
                                                      << s.toStdString();
      }
    }
  }
}

TEST_F(LanguageTest, SwitchReresolvesTextsInPlace) {
  test::RecordingWindow w;
  ASSERT_TRUE(w.Create(QStringLiteral("XML_MSG")));
  auto* text = w.FindControl<QLabel>(QStringLiteral("MessageText"));
  auto* confirm = w.FindControl<QAbstractButton>(QStringLiteral("confirm_btn"));
  ASSERT_TRUE(text && confirm);
  SetText(text, QStringLiteral("${device_plugout} (2)"));
  SetWindowTitleText(&w, QStringLiteral("${tips}"));
  auto* combo = new QComboBox(&w);
  SetComboItems(combo, {QStringLiteral("${unit_ms}"), QStringLiteral("${unit_cm}"), QStringLiteral("inch")});
  const QString enText = text->text();
  EXPECT_EQ(enText, Language::Instance().Text(QStringLiteral("device_plugout")) + QStringLiteral(" (2)"));

  ASSERT_TRUE(Language::Instance().Select(QStringLiteral("ru")));
  RetranslateAll();
  // Same controls, new texts.
  EXPECT_EQ(w.FindControl<QLabel>(QStringLiteral("MessageText")), text);
  EXPECT_EQ(text->text(), Language::Instance().Text(QStringLiteral("device_plugout")) + QStringLiteral(" (2)"));
  EXPECT_NE(text->text(), enText);
  EXPECT_EQ(confirm->text(), Language::Instance().Text(QStringLiteral("confirm")));
  EXPECT_EQ(w.windowTitle(), Language::Instance().Text(QStringLiteral("tips")));
  EXPECT_EQ(combo->itemText(0), Language::Instance().Text(QStringLiteral("unit_ms")));
  EXPECT_EQ(combo->itemText(2), QStringLiteral("inch"));
  EXPECT_EQ(RawText(text), QStringLiteral("${device_plugout} (2)"));
}

}  // namespace
}  // namespace vlm::ui
