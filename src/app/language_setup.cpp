#include "app/language_setup.h"

#include "ui/language.h"

namespace vlm {

void RegisterLanguages() {
  for (const LanguageEntry& e : kLanguages)
    ui::Language::Instance().Register(QString::fromLatin1(e.name), QString::fromLatin1(e.file));
}

bool SelectLanguageByValue(int value) {
  for (const LanguageEntry& e : kLanguages) {
    if (e.value == value) return ui::Language::Instance().Select(QString::fromLatin1(e.name));
  }
  return false;
}

SceneNameCodePage CurrentSceneNameCodePage() {
  const QString current = ui::Language::Instance().Current();
  for (const LanguageEntry& e : kLanguages) {
    if (current == QLatin1String(e.name)) return e.page;
  }
  return SceneNameCodePage::Western;
}

int LanguageValue(const QString& name) {
  for (const LanguageEntry& e : kLanguages) {
    if (name == QLatin1String(e.name)) return e.value;
  }
  return -1;
}

}  // namespace vlm
