#include "windows/key_text.h"

#include <vector>

#include "ui/language.h"

namespace vlm {

QString FillText(const QString& pattern, std::initializer_list<QVariant> args) {
  const std::vector<QVariant> values(args);
  size_t next = 0;
  QString out;
  out.reserve(pattern.size() + 16);
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern.at(i);
    if (c != QLatin1Char('%') || i + 1 >= pattern.size()) {
      out += c;
      continue;
    }
    const QChar f = pattern.at(i + 1);
    if (f == QLatin1Char('%')) {
      out += QLatin1Char('%');
      ++i;
    } else if ((f == QLatin1Char('d') || f == QLatin1Char('s')) && next < values.size()) {
      const QVariant& v = values[next++];
      out += f == QLatin1Char('d') ? QString::number(v.toLongLong()) : v.toString();
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

QString FillKeyText(const QString& keyText, std::initializer_list<QVariant> args) {
  return FillText(ui::Language::Instance().Resolve(keyText), args);
}

}  // namespace vlm
