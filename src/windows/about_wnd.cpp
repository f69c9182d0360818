#include "windows/about_wnd.h"

#include "model/scene_profile.h"
#include "ui/language.h"

namespace vlm {

AboutIdentity AboutIdentityOf(const SceneProfile& profile) {
  return {profile.handshakeModel, profile.versionMajor, profile.versionMinor};
}

CAboutWnd::CAboutWnd(QWidget* parent, const AboutIdentity& identity)
    : CToolWnd(QStringLiteral("AboutWnd"), QStringLiteral("msgwnd"), parent), identity_(identity) {}

void CAboutWnd::InitControls() {
  // Texts are set with their keys in place, so they follow a language switch.
  const QString model = QString::fromLatin1(kModelString);
  if (auto* fw = FindControl<QLabel>(QStringLiteral("fw_version"))) {
    if (identity_.handshakeModel < 0) {
      ui::SetText(fw, QStringLiteral("%1 ${dsp_disconnect}").arg(model));
    } else {
      ui::SetText(fw, QStringLiteral("%1 ${version} v%2.%3")
                          .arg(model)
                          .arg(identity_.versionMajor)
                          .arg(identity_.versionMinor));
    }
  }
  if (auto* soft = FindControl<QLabel>(QStringLiteral("soft_version")))
    ui::SetText(soft, QStringLiteral("${soft_version} %1").arg(QString::fromLatin1(kProgramVersion)));
  if (auto* inner = FindControl<QLabel>(QStringLiteral("inner_fw_version"))) {
    ui::SetText(inner,
                QStringLiteral("${inner_fw_version} v%1.%2").arg(kInnerFirmwareMajor).arg(kInnerFirmwareMinor));
    inner->show();
  }
  if (auto* company = FindControl<QLabel>(QStringLiteral("company_title")))
    ui::SetText(company, QString::fromLatin1(kCompanyTitle));
}

ui::ModalResult ShowAbout(QWidget* parent, const AboutIdentity& identity) {
  auto* wnd = new CAboutWnd(parent, identity);
  wnd->Create(QStringLiteral("XML_ABOUT"));
  return wnd->ShowModal();
}

}  // namespace vlm
