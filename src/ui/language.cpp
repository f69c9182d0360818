#include "ui/language.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QXmlStreamReader>

#include "base/log.h"
#include "ui/skin.h"

namespace vlm::ui {

namespace {
constexpr char kTextProp[] = "vlm_text";
constexpr char kTitleProp[] = "vlm_title";
constexpr char kTipProp[] = "vlm_tooltip";
constexpr char kPlaceholderProp[] = "vlm_placeholder";
constexpr char kItemsProp[] = "vlm_items";
}  // namespace

Language& Language::Instance() {
  static Language language;
  return language;
}

void Language::Register(const QString& name, const QString& relativeFile) {
  if (!files_.contains(name)) order_.append(name);
  files_.insert(name, relativeFile);
  if (current_.isEmpty()) Select(name);
}

bool Language::ParseFile(const QByteArray& bytes, QHash<QString, QString>* table) {
  QXmlStreamReader xml(bytes);
  QHash<QString, QString> out;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() != QLatin1String("string")) continue;
    const QString key = xml.attributes().value(QLatin1String("key")).toString();
    const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
    if (!key.isEmpty()) out.insert(key, text);
  }
  if (xml.hasError()) return false;
  *table = std::move(out);
  return true;
}

bool Language::Select(const QString& name) {
  auto it = files_.constFind(name);
  if (it == files_.constEnd()) return false;
  const QByteArray bytes = Skin::Instance().ReadFile(*it);
  QHash<QString, QString> table;
  if (bytes.isEmpty() || !ParseFile(bytes, &table)) {
    LogMessage("language file %s unreadable\n", it->toUtf8().constData());
    return false;
  }
  table_ = std::move(table);
  current_ = name;
  return true;
}

QString Language::Text(const QString& key) const { return table_.value(key); }

QString Language::Resolve(const QString& text) const {
  if (!text.contains(QLatin1String("${"))) return text;
  QString out;
  out.reserve(text.size());
  qsizetype pos = 0;
  while (pos < text.size()) {
    const qsizetype open = text.indexOf(QLatin1String("${"), pos);
    if (open < 0) break;
    const qsizetype close = text.indexOf('}', open + 2);
    if (close < 0) break;
    out += text.mid(pos, open - pos);
    const QString key = text.mid(open + 2, close - open - 2);
    auto it = table_.constFind(key);
    out += it != table_.constEnd() ? *it : text.mid(open, close - open + 1);
    pos = close + 1;
  }
  out += text.mid(pos);
  return out;
}

void Language::Reset() {
  files_.clear();
  order_.clear();
  current_.clear();
  table_.clear();
}

namespace {

void ApplyText(QWidget* w, const QString& resolved) {
  if (auto* label = qobject_cast<QLabel*>(w)) label->setText(resolved);
  else if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(resolved);
  else if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(resolved);
  else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) plain->setPlainText(resolved);
  else if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(resolved);
}

QString ShownText(const QWidget* w) {
  if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->text();
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(w)) return plain->toPlainText();
  if (auto* group = qobject_cast<const QGroupBox*>(w)) return group->title();
  return {};
}

bool HasKey(const QString& s) { return s.contains(QLatin1String("${")); }

void ResolveOne(QWidget* w) {
  const Language& lang = Language::Instance();
  const QVariant text = w->property(kTextProp);
  if (text.isValid()) ApplyText(w, lang.Resolve(text.toString()));
  const QVariant title = w->property(kTitleProp);
  if (title.isValid()) w->setWindowTitle(lang.Resolve(title.toString()));
  const QVariant tip = w->property(kTipProp);
  if (tip.isValid()) w->setToolTip(lang.Resolve(tip.toString()));
  const QVariant placeholder = w->property(kPlaceholderProp);
  if (placeholder.isValid()) {
    if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setPlaceholderText(lang.Resolve(placeholder.toString()));
  }
  const QVariant items = w->property(kItemsProp);
  if (items.isValid()) {
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
      const QStringList raw = items.toStringList();
      for (int i = 0; i < combo->count() && i < raw.size(); ++i) combo->setItemText(i, lang.Resolve(raw[i]));
    }
  }
}

}  // namespace

void SetText(QWidget* w, const QString& text) {
  if (!w) return;
  if (w->isWindow() && !qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w)) {
    SetWindowTitleText(w, text);
    return;
  }
  w->setProperty(kTextProp, text);
  ApplyText(w, Language::Instance().Resolve(text));
}

QString RawText(const QWidget* w) {
  if (!w) return {};
  const QVariant text = w->property(kTextProp);
  return text.isValid() ? text.toString() : ShownText(w);
}

void SetToolTip(QWidget* w, const QString& text) {
  if (!w) return;
  w->setProperty(kTipProp, text);
  w->setToolTip(Language::Instance().Resolve(text));
}

void SetComboItems(QComboBox* combo, const QStringList& items) {
  if (!combo) return;
  combo->setProperty(kItemsProp, items);
  const QSignalBlocker block(combo);
  combo->clear();
  for (const QString& item : items) combo->addItem(Language::Instance().Resolve(item));
}

void SetWindowTitleText(QWidget* window, const QString& text) {
  if (!window) return;
  window->setProperty(kTitleProp, text);
  window->setWindowTitle(Language::Instance().Resolve(text));
}

void AdoptTexts(QWidget* root) {
  if (!root) return;
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    if (!w->property(kTextProp).isValid()) {
      const QString shown = ShownText(w);
      if (HasKey(shown)) w->setProperty(kTextProp, shown);
    }
    if (!w->property(kTipProp).isValid() && HasKey(w->toolTip())) w->setProperty(kTipProp, w->toolTip());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      if (!w->property(kPlaceholderProp).isValid() && HasKey(edit->placeholderText()))
        w->setProperty(kPlaceholderProp, edit->placeholderText());
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
      QStringList raw;
      bool any = false;
      for (int i = 0; i < combo->count(); ++i) {
        raw.append(combo->itemText(i));
        any = any || HasKey(raw.back());
      }
      if (any && !w->property(kItemsProp).isValid()) w->setProperty(kItemsProp, raw);
    }
    if (w->isWindow() && !w->property(kTitleProp).isValid() && HasKey(w->windowTitle()))
      w->setProperty(kTitleProp, w->windowTitle());
    ResolveOne(w);
  }
}

void RetranslateTree(QWidget* root) {
  if (!root) return;
  ResolveOne(root);
  for (QWidget* w : root->findChildren<QWidget*>()) ResolveOne(w);
  root->update();
}

void RetranslateAll() {
  for (QWidget* top : QApplication::topLevelWidgets()) RetranslateTree(top);
}

}  // namespace vlm::ui
