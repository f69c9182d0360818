#pragma once
// The three languages of the program and the "lan" values that name them.
#include <QString>

namespace vlm {

struct LanguageEntry {
  const char* name;  // toolkit language name
  const char* file;  // language file in the skin
  int value;         // "lan" value in the settings file
};
inline constexpr LanguageEntry kLanguages[] = {
    {"en", "lan/lan_en.xml", 0},
    {"cn_zh", "lan/lan_cn.xml", 1},
    {"ru", "lan/lan_ru.xml", 2},
};

// Registers the three language files with the toolkit.
void RegisterLanguages();
// Selects the language a "lan" value names; any other value selects nothing
// and leaves the current language. Returns whether a language was selected.
bool SelectLanguageByValue(int value);
// The "lan" value of a language name, -1 when unknown.
int LanguageValue(const QString& name);

}  // namespace vlm
