#pragma once
// Pictures of every window in every language, for checking the look and that
// every glyph shows.
#include <QString>

namespace vlm {

// Saves "<window>_<language>.png" into `dir` (created when missing).
bool SaveScreenshots(const QString& dir);

}  // namespace vlm
