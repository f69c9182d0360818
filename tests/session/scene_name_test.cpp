// Scene names in the three code pages: what other tools wrote reads back, and
// what a code page cannot hold is refused rather than sent mangled.
#include <gtest/gtest.h>

#include "model/scene_name_codec.h"

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
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("Клуб 中")), "Клуб 中");
}

}  // namespace
}  // namespace vlm
