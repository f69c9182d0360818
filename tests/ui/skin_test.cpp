// The skin index, layouts through the control factory, image variants and
// the scaled style sheet.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLabel>

#include "test_skin.h"
#include "ui/control_factory.h"

namespace vlm::ui {
namespace {

QByteArray Png(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(Qt::red);
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "PNG");
  return bytes;
}

TEST(SkinTest, BuiltInIndexNamesLoadableLayoutsWithoutUnknownClasses) {
  test::UseBuiltInSkin();
  Skin& skin = Skin::Instance();
  ASSERT_TRUE(skin.HasIndex());
  for (const char* id : {"XML_MAIN", "XML_MSG", "XML_CHECKBOX_MSG", "XML_MSG_NAME", "XML_LOADING", "XML_ABOUT"}) {
    const QString file = skin.LayoutFile(QString::fromLatin1(id));
    ASSERT_FALSE(file.isEmpty()) << id;
    QFile f(skin.FilePath(file));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << id;
    ControlFactory factory;
    QWidget host;
    QWidget* form = factory.load(&f, &host);
    ASSERT_NE(form, nullptr) << id << ": " << factory.errorString().toStdString();
    EXPECT_TRUE(factory.MissingClasses().isEmpty()) << id;
    EXPECT_FALSE(form->size().isEmpty()) << id;
  }
  EXPECT_FALSE(skin.MenuFile(QStringLiteral("option_menu")).isEmpty());
  EXPECT_EQ(skin.MenuFile(QStringLiteral("xml/option_menu.xml")), skin.MenuFile(QStringLiteral("option_menu")));
}

TEST(SkinTest, MissingOrMalformedIndexLeavesNoLayouts) {
  test::TempSkin temp;
  EXPECT_FALSE(Skin::Instance().LoadIndex());
  temp.Write(QStringLiteral("xml/res.xml"), "<res><layout id=\"A\" file=\"a.ui\"/><layout");
  EXPECT_FALSE(Skin::Instance().LoadIndex());
  EXPECT_TRUE(Skin::Instance().LayoutFile(QStringLiteral("A")).isEmpty());
}

TEST(SkinTest, ScaleFollowsTheDpiTable) {
  EXPECT_EQ(ScaleForDpi(77), 80);
  EXPECT_EQ(ScaleForDpi(96), 100);
  EXPECT_EQ(ScaleForDpi(120), 125);
  EXPECT_EQ(ScaleForDpi(144), 150);
  EXPECT_EQ(ScaleForDpi(192), 200);
  EXPECT_EQ(ScaleForDpi(288), 300);
  EXPECT_EQ(ScaleForDpi(0), 100);
}

TEST(SkinTest, ImageVariantFallsBackToTheNearestScale) {
  test::TempSkin temp;
  temp.Write(QStringLiteral("img/knob.png"), Png(20, 10));
  temp.Write(QStringLiteral("img/knob@150.png"), Png(30, 15));
  temp.Write(QStringLiteral("img/knob@80.png"), Png(16, 8));
  temp.Write(QStringLiteral("img/logo.png"), Png(40, 20));
  temp.Write(QStringLiteral("img/logo@125.png"), Png(50, 25));
  Skin& skin = Skin::Instance();
  int found = 0;
  // The logo has its 125 variant; the knob has none and takes 150 (tie with
  // 100, the larger wins) and is brought to the 125 size.
  EXPECT_TRUE(skin.ImageFile(QStringLiteral("logo"), 125, &found).endsWith(QLatin1String("logo@125.png")));
  EXPECT_EQ(found, 125);
  EXPECT_TRUE(skin.ImageFile(QStringLiteral("knob.png"), 125, &found).endsWith(QLatin1String("knob@150.png")));
  EXPECT_EQ(found, 150);
  EXPECT_EQ(skin.Image(QStringLiteral("knob"), 125).size(), QSize(25, 13));
  EXPECT_EQ(skin.Image(QStringLiteral("logo"), 125).size(), QSize(50, 25));
  // 100 % is the plain name; 200 falls back to 150.
  EXPECT_TRUE(skin.ImageFile(QStringLiteral("knob"), 100).endsWith(QLatin1String("img/knob.png")));
  EXPECT_EQ(skin.Image(QStringLiteral("knob"), 200).size(), QSize(40, 20));
  // Missing altogether: nothing, and no crash.
  EXPECT_TRUE(skin.ImageFile(QStringLiteral("nothing"), 100).isEmpty());
  EXPECT_TRUE(skin.Image(QStringLiteral("nothing"), 150).isNull());
  EXPECT_TRUE(skin.Image(QString(), 150).isNull());
}

TEST(SkinTest, BuiltInImagesHaveTheirVariantsAt125OnlyForLogoAndClose) {
  test::UseBuiltInSkin();
  int found = 0;
  Skin::Instance().ImageFile(QStringLiteral("logo"), 125, &found);
  EXPECT_EQ(found, 125);
  Skin::Instance().ImageFile(QStringLiteral("btn_close_hot"), 125, &found);
  EXPECT_EQ(found, 125);
  Skin::Instance().ImageFile(QStringLiteral("car"), 125, &found);
  EXPECT_NE(found, 125);
  EXPECT_FALSE(Skin::Instance().Image(QStringLiteral("car"), 125).isNull());
}

TEST(SkinTest, StyleSheetScalesSizesAndResolvesImages) {
  EXPECT_EQ(ScaleStyleSheet(QStringLiteral("a { font-size: 12sp; border: 1sp solid; }"), 150),
            QStringLiteral("a { font-size: 18px; border: 2px solid; }"));
  EXPECT_EQ(ScaleStyleSheet(QStringLiteral("b { width: 10sp; }"), 80), QStringLiteral("b { width: 8px; }"));
  // Words ending in "sp" that are not sizes stay.
  EXPECT_EQ(ScaleStyleSheet(QStringLiteral("c { display: wasp; }"), 200), QStringLiteral("c { display: wasp; }"));

  test::TempSkin temp;
  temp.Write(QStringLiteral("img/on.png"), Png(4, 4));
  temp.Write(QStringLiteral("img/on@200.png"), Png(8, 8));
  temp.Write(QStringLiteral("style/dark.qss"),
             "x { image: url(skin:on); width: 5sp; }\ny { image: url(skin:missing); color: red; }");
  const QString qss = Skin::Instance().StyleSheet(QStringLiteral("dark"), 200);
  EXPECT_TRUE(qss.contains(QStringLiteral("image: url(\"%1/img/on@200.png\");").arg(temp.Path()))) << qss.toStdString();
  EXPECT_TRUE(qss.contains(QLatin1String("width: 10px;")));
  EXPECT_FALSE(qss.contains(QLatin1String("missing")));
  EXPECT_TRUE(qss.contains(QLatin1String("color: red;")));
}

TEST(SkinTest, WindowWithoutLayoutStaysEmptyButUsable) {
  test::TempSkin temp;
  test::RecordingWindow w;
  EXPECT_FALSE(w.Create(QStringLiteral("XML_NOWHERE")));
  EXPECT_EQ(w.FindControl<QLabel>(QStringLiteral("MessageText")), nullptr);
}

}  // namespace
}  // namespace vlm::ui
