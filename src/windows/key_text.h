#pragma once
// Language texts with placeholders: "${load_scene_tips1}" reads
// "Load scene %d \"%s\"?" and is filled with a number and a name. The text
// comes from a language file, so it is never handed to printf: each "%d" or
// "%s" takes the next argument in order, "%%" is a percent sign, anything
// else (a stray "%n", a missing argument) is written as it stands.
#include <QString>
#include <QVariant>
#include <initializer_list>

namespace vlm {

QString FillText(const QString& pattern, std::initializer_list<QVariant> args);
// Resolves the language key text (e.g. "${same_name_tips}") first.
QString FillKeyText(const QString& keyText, std::initializer_list<QVariant> args);

}  // namespace vlm
