// The main window's menu actions that later windows and workers fill: the
// firmware upgrade window, the factory reset, the scene window and scene
// files, and the input mixer. Each menu item reaches exactly one of these.
#include "app/main_wnd.h"
#include "base/log.h"

namespace vlm {

namespace {
void NotYet(const char* what) { LogMessage("%s: not available yet\n", what); }
}  // namespace

void CMainWnd::OpenFirmwareUpgrade() { NotYet("firmware upgrade window"); }

void CMainWnd::ResetFactoryDefault() { NotYet("ResetMcuFactoryDefault"); }

void CMainWnd::RunSceneItem(const QString& item) {
  if (item == QLatin1String("scene_item_load_scene")) {
    NotYet("LoadSenceConfigFromDSP");
  } else if (item == QLatin1String("scene_item_saveas_scene")) {
    NotYet("SaveSenceConfigToDSP");
  } else if (item == QLatin1String("scene_item_delete_scene")) {
    NotYet("DeleteDSPSenceConfig");
  } else if (item == QLatin1String("scene_item_load_file")) {
    NotYet("LoadSenceConfigFromFile");
  } else if (item == QLatin1String("scene_item_save_file")) {
    NotYet("SaveSenceConfigToFile");
  }
}

void CMainWnd::OpenInputMixer() { NotYet("input mixer window"); }

}  // namespace vlm
