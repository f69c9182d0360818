// Scene names in the three code pages: what other tools wrote reads back, and
// what a code page cannot hold is refused rather than sent mangled.
#include <gtest/gtest.h>

#include "model/scene_name_codec.h"
#include "model/settings_store.h"

namespace vlm {
namespace {

SceneNameBytes Slot(std::initializer_list<uint8_t> bytes) {
  SceneNameBytes slot{};
  std::copy(bytes.begin(), bytes.end(), slot.begin());
  return slot;
}

TEST(SceneNameCodec, BytesOfEachCodePageRoundTrip) {
  struct Case {
    SceneNameCodePage page;
    std::u16string name;
    SceneNameBytes bytes;
  } cases[] = {
      {SceneNameCodePage::Western, u"Café €", Slot({'C', 'a', 'f', 0xE9, ' ', 0x80})},
      {SceneNameCodePage::Chinese, u"中文", Slot({0xD6, 0xD0, 0xCE, 0xC4})},
      {SceneNameCodePage::Cyrillic, u"Клуб", Slot({0xCA, 0xEB, 0xF3, 0xE1})},
  };
  for (const Case& c : cases) {
    const EncodedSceneName e = EncodeSceneName(c.name, c.page);
    ASSERT_TRUE(e.ok) << e.error;
    EXPECT_EQ(e.bytes, c.bytes);
    EXPECT_EQ(DecodeSceneName(c.bytes, c.page), c.name);
  }
}

TEST(SceneNameCodec, InvalidBytesStillDecodeToSomethingPrintable) {
  // A cut double-byte character at the end, and 0xFE among erased bytes.
  EXPECT_EQ(DecodeSceneName(Slot({'A', 0xD6}), SceneNameCodePage::Chinese), u"A\uFFFD");
  SceneNameBytes fe;
  fe.fill(0xFF);
  fe[3] = 0xFE;
  const std::u16string text = DecodeSceneName(fe, SceneNameCodePage::Chinese);
  EXPECT_FALSE(text.empty());
  EXPECT_LE(text.size(), 7u);
  for (char16_t u : text) EXPECT_GE(u, 0x20);
  EXPECT_EQ(DecodeSceneName(Slot({0x01, 'B'}), SceneNameCodePage::Western), u"\uFFFDB");
  // Erased and empty slots are empty; long names are cut to seven characters.
  SceneNameBytes erased;
  erased.fill(0xFF);
  EXPECT_EQ(DecodeSceneName(erased, SceneNameCodePage::Western), u"");
  EXPECT_EQ(DecodeSceneName(SceneNameBytes{}, SceneNameCodePage::Western), u"");
  EXPECT_EQ(DecodeSceneName(Slot({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'}), SceneNameCodePage::Western),
            u"abcdefg");
}

TEST(SceneNameCodec, NamesTheCodePageCannotHoldAreRefused) {
  EXPECT_FALSE(EncodeSceneName(u"中", SceneNameCodePage::Cyrillic).ok);
  EXPECT_FALSE(EncodeSceneName(u"Клуб", SceneNameCodePage::Western).ok);
  EXPECT_FALSE(EncodeSceneName(u"12345678", SceneNameCodePage::Western).ok);
  EXPECT_FALSE(EncodeSceneName(u"a\tb", SceneNameCodePage::Western).ok);
  const EncodedSceneName refused = EncodeSceneName(u"中", SceneNameCodePage::Western);
  EXPECT_NE(refused.error.find("1252"), std::string::npos);
  EXPECT_TRUE(EncodeSceneName(u"", SceneNameCodePage::Western).ok);
  // What must change is named: each character the page cannot write, once,
  // in order (a character outside the BMP is one); nothing for other reasons.
  EXPECT_EQ(EncodeSceneName(u"夜a店夜", SceneNameCodePage::Cyrillic).unwritable, u"夜店");
  EXPECT_EQ(EncodeSceneName(u"Ж\U0001F3B5ب", SceneNameCodePage::Chinese).unwritable, u"\U0001F3B5ب");
  EXPECT_EQ(EncodeSceneName(u"12345678", SceneNameCodePage::Western).unwritable, u"");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("Клуб 中")), "Клуб 中");
}

TEST(SceneNameCodec, TheStoreKeepsTheBytesAndDecodesThemInAnyPage) {
  SettingsStore store;
  ASSERT_TRUE(store.setSceneName(3, u"夜店", SceneNameCodePage::Chinese).ok);
  EXPECT_EQ(store.sceneNameBytes(3), Slot({0xD2, 0xB9, 0xB5, 0xEA}));
  EXPECT_EQ(store.sceneName(3, SceneNameCodePage::Chinese), u"夜店");
  EXPECT_EQ(store.sceneName(3, SceneNameCodePage::Cyrillic), u"Т№µк");
  // A name the page cannot hold leaves the slot as it was.
  EXPECT_FALSE(store.setSceneName(3, u"Клуб", SceneNameCodePage::Western).ok);
  EXPECT_EQ(store.sceneName(3, SceneNameCodePage::Chinese), u"夜店");
  // Copies carry the names; a reset clears them.
  SettingsStore copy = store;
  EXPECT_EQ(copy, store);
  copy.clearSceneName(3);
  EXPECT_TRUE(copy.sceneNameEmpty(3));
  EXPECT_FALSE(copy == store);
  store.Reset();
  EXPECT_TRUE(store.sceneNameEmpty(3));
}

TEST(SceneNameCodec, LanguageTagsChooseTheCodePage) {
  const std::pair<const char*, SceneNameCodePage> tags[] = {
      {"zh_CN.UTF-8", SceneNameCodePage::Chinese}, {"cn_zh", SceneNameCodePage::Chinese},
      {"ru_RU.KOI8-R", SceneNameCodePage::Cyrillic}, {"ru", SceneNameCodePage::Cyrillic},
      {"en_GB.UTF-8", SceneNameCodePage::Western},   {"C", SceneNameCodePage::Western},
      {"rus", SceneNameCodePage::Western},           {"", SceneNameCodePage::Western},
  };
  for (const auto& [tag, page] : tags) EXPECT_EQ(CodePageForLanguage(tag), page) << tag;
}

}  // namespace
}  // namespace vlm
