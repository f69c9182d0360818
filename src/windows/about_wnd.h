#pragma once
// The about window: model and firmware version of the amplifier, the
// program's version and the firmware version it carries.
#include <QLabel>

#include "base/version.h"
#include "windows/tool_window.h"

namespace vlm {

struct SceneProfile;

inline constexpr char kModelString[] = "VLM24.60DSP";
inline constexpr char kProgramVersion[] = "v" VLM_VERSION;
inline constexpr char kCompanyTitle[] = "VLM24.60 DSP Audio";
// The firmware version the program carries (also its minimum).
inline constexpr int kInnerFirmwareMajor = 16;
inline constexpr int kInnerFirmwareMinor = 19;

// What the amplifier told in its handshake; model -1 while none answered.
struct AboutIdentity {
  int handshakeModel = -1;
  int versionMajor = -1;
  int versionMinor = -1;
};
AboutIdentity AboutIdentityOf(const SceneProfile& profile);

class CAboutWnd : public CToolWnd {
  Q_OBJECT
 public:
  CAboutWnd(QWidget* parent, const AboutIdentity& identity);

 protected:
  void InitControls() override;

 private:
  AboutIdentity identity_;
};

ui::ModalResult ShowAbout(QWidget* parent, const AboutIdentity& identity);

}  // namespace vlm
