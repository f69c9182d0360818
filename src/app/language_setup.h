#pragma once
// The three languages of the program, the "lan" values that name them and
// the code page scene names are written in under each.
#include <QString>

#include "model/scene_name_codec.h"

namespace vlm {

struct LanguageEntry {
  const char* name;  // toolkit language name
  const char* file;  // language file in the skin
  int value;         // "lan" value in the settings file
  SceneNameCodePage page;  // scene names with this language
};
inline constexpr LanguageEntry kLanguages[] = {
    {"en", "lan/lan_en.xml", 0, SceneNameCodePage::Western},
    {"cn_zh", "lan/lan_cn.xml", 1, SceneNameCodePage::Chinese},
    {"ru", "lan/lan_ru.xml", 2, SceneNameCodePage::Cyrillic},
};

// Registers the three language files with the toolkit.
void RegisterLanguages();
// Selects the language a "lan" value names; any other value selects nothing
// and leaves the current language. Returns whether a language was selected.
bool SelectLanguageByValue(int value);
// The "lan" value of a language name, -1 when unknown.
int LanguageValue(const QString& name);
// The code page of scene names under the current language (Western when the
// language is unknown).
SceneNameCodePage CurrentSceneNameCodePage();

}  // namespace vlm
