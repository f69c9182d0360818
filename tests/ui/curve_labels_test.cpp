// The main window's curve display in the real layout: the band numbers, axis
// labels and readout are drawn in their own rectangles, wide enough for the
// text in the control's own font, and none covers another, in every
// language at 100 % and 200 %.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <vector>

#include "eqview/qt/ui_equalizer.h"
#include "model/model_constants.h"
#include "app/language_setup.h"
#include "test_skin.h"

namespace vlm::ui {
namespace {

using eqview::Rect;

QRect ToQ(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

class CurveLabelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseBuiltInSkin();
    Language::Instance().Reset();
    RegisterLanguages();
  }
  void TearDown() override { Language::Instance().Select(QStringLiteral("en")); }
};

TEST_F(CurveLabelsTest, NothingOverlapsInAnyLanguageOrScale) {
  for (const char* name : {"en", "cn_zh", "ru"}) {
    ASSERT_TRUE(Language::Instance().Select(QString::fromLatin1(name)));
    for (int dpi : {96, 192}) {
      test::RecordingWindow w;
      ASSERT_TRUE(w.Create(QStringLiteral("XML_MAIN")));
      w.SetDpi(dpi);
      w.show();
      w.resize(w.Scaled(w.InitialSize().width()), w.Scaled(w.InitialSize().height()));
      QApplication::processEvents();
      auto* eq = w.FindControl<eqview::UIEqualizer>(QStringLiteral("equalizer"));
      ASSERT_NE(eq, nullptr);
      std::vector<eqview::BandInput> bands;
      for (int hz : kDefaultEqFrequencies) bands.push_back({0.0f, EqBand{0.0f, kEqDefaultQ, hz, true}});
      // The last band current: "30" and "31" side by side with the readout.
      eq->SetBands(bands, 30);
      eq->grab();
      const std::string where = std::string(name) + " " + std::to_string(w.ScalePercent()) + "%";
      const eqview::CurveEditor& e = eq->editor();
      QFont font = eq->font();
      font.setPixelSize(std::max(1, 11 * w.ScalePercent() / 100));
      const QFontMetrics metrics(font);
      struct Drawn {
        QRect rect;
        QString text;
      };
      std::vector<Drawn> drawn;
      for (int i = 0; i < e.bandCount(); ++i) {
        EXPECT_FALSE(e.band(i).labelRect.Empty()) << where << " band " << i + 1 << " has no room";
        if (!e.band(i).labelRect.Empty()) drawn.push_back({ToQ(e.band(i).labelRect), QString::number(i + 1)});
      }
      for (const eqview::AxisLabel& l : e.frame().frequencyLabels) drawn.push_back({ToQ(l.rect), QString::fromStdString(l.text)});
      for (const eqview::AxisLabel& l : e.frame().gainLabels) drawn.push_back({ToQ(l.rect), QString::fromStdString(l.text)});
      drawn.push_back({ToQ(e.infoRect()), QString::fromStdString(e.infoText())});
      const QRect plot = ToQ(e.geometry().plot());
      const int gap = metrics.height() / 4;
      for (size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_GE(drawn[i].rect.width(), metrics.horizontalAdvance(drawn[i].text)) << where << " " << drawn[i].text.toStdString();
        EXPECT_FALSE(drawn[i].rect.intersects(plot)) << where << " " << drawn[i].text.toStdString();
        EXPECT_TRUE(eq->rect().contains(drawn[i].rect)) << where << " " << drawn[i].text.toStdString();
        for (size_t j = i + 1; j < drawn.size(); ++j) {
          EXPECT_FALSE(drawn[i].rect.adjusted(-gap, 0, gap, 0).intersects(drawn[j].rect))
              << where << " " << drawn[i].text.toStdString() << " / " << drawn[j].text.toStdString();
        }
      }
    }
  }
}

}  // namespace
}  // namespace vlm::ui
