#pragma once
// Language keys: every visible text is written as "${key}" and resolved
// through the current language table when it is shown. Controls remember the
// text as written, so a language switch re-resolves them in place.
#include <QHash>
#include <QString>
#include <QStringList>

class QWidget;
class QComboBox;

namespace vlm::ui {

class Language {
 public:
  static Language& Instance();

  // Registers a language file (relative to the skin root) under a name. The
  // first language registered becomes the default when none is selected yet.
  void Register(const QString& name, const QString& relativeFile);
  QStringList Registered() const { return order_; }

  // Selects a registered language and loads its table. An unknown name or an
  // unreadable file changes nothing and returns false.
  bool Select(const QString& name);
  QString Current() const { return current_; }

  // Resolves every "${key}" in `text`. A key the table lacks stays as written,
  // so a missing text is visible rather than silently blank.
  QString Resolve(const QString& text) const;
  // The text of one key (without "${" "}"); empty when the table lacks it.
  QString Text(const QString& key) const;
  bool HasKey(const QString& key) const { return table_.contains(key); }

  // Drops registrations and the table (tests start from a clean state).
  void Reset();

  // Parses a language file; false on malformed XML.
  static bool ParseFile(const QByteArray& bytes, QHash<QString, QString>* table);

 private:
  Language() = default;
  QHash<QString, QString> files_;
  QStringList order_;
  QString current_;
  QHash<QString, QString> table_;
};

// Sets a control's text (label, button, edit, group box title, window title
// for a top-level window) as written and shows it resolved.
void SetText(QWidget* w, const QString& text);
// The text as written (the key form); falls back to the shown text.
QString RawText(const QWidget* w);
void SetToolTip(QWidget* w, const QString& text);
void SetComboItems(QComboBox* combo, const QStringList& items);
void SetWindowTitleText(QWidget* window, const QString& text);

// Remembers the texts of a freshly loaded widget tree that hold keys and shows
// them resolved.
void AdoptTexts(QWidget* root);
// Re-resolves every remembered text under `root`.
void RetranslateTree(QWidget* root);
// Re-resolves every remembered text of every window of the process.
void RetranslateAll();

}  // namespace vlm::ui
