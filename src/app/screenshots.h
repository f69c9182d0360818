#pragma once
// Pictures of every window in every language, for checking the look and that
// every glyph shows.
#include <QString>

namespace vlm {

class CMainWnd;

// The scales the main window is pictured at (DPI value, file suffix).
struct ShotScale {
  int dpi;
  const char* suffix;
};
inline constexpr ShotScale kMainScales[] = {{96, ""}, {192, "_200"}};

// Puts the main window into the state it is pictured in (called before each
// picture of it, after the language and the scale are set).
void PrepareMainWindowShot(CMainWnd& main);

// Saves "<window>_<language>.png" into `dir` (created when missing); the main
// window also as "main_<language>_200.png" at 200 %, and with an edited
// equaliser as "main_eq_<language>.png" and "main_eq_<language>_200.png".
bool SaveScreenshots(const QString& dir);

}  // namespace vlm
