#include "app/main_wnd.h"

#include <cstdio>
#include <cstdlib>

#include <QLineEdit>
#include <QTimer>

#include "app/app_options.h"
#include "app/language_setup.h"
#include "app/settings_file.h"
#include "base/log.h"
#include "controller/focus_moves.h"
#include "device/device_link.h"
#include "device/hidapi_transport.h"
#include "device/messages.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "ui/language.h"
#include "ui/menu.h"
#include "ui/screen_info.h"
#include "ui/skin.h"
#include "windows/about_wnd.h"
#include "windows/loading_wnd.h"
#include "windows/msg_wnd.h"

namespace vlm {

namespace {

namespace nt = ui::notify;
using W = CMainWnd;
using M = CMainWnd::Match;

bool IsUp(const ui::Notification& n) { return n.Is(nt::kValueChangedUp); }

// The amplifier's transport when the caller gives none.
std::unique_ptr<HidTransport> DefaultTransport(std::shared_ptr<sim::VirtualAmplifier>& amplifier) {
  if (CurrentAppOptions().simulate) {
    amplifier = std::make_shared<sim::VirtualAmplifier>();
    // VLM_SIM_FIRMWARE=16.18 makes the virtual amplifier report old firmware
    // (the forced update is then offered).
    if (const char* fw = std::getenv("VLM_SIM_FIRMWARE")) {
      unsigned major = 0, minor = 0;
      if (std::sscanf(fw, "%u.%u", &major, &minor) == 2 && major < 256 && minor < 256)
        amplifier->SetFirmwareVersion(static_cast<uint8_t>(major), static_cast<uint8_t>(minor));
    }
    return std::make_unique<sim::SimTransport>(amplifier);
  }
  return std::make_unique<HidapiTransport>();
}

}  // namespace

// Every notification the window acts on, in the order they are tried; the
// first row that matches handles it.
// clang-format off
const CMainWnd::Route CMainWnd::kRoutes[] = {
    {"click", "closebtn", M::Exact, &W::OnClose},
    {"click", "btnDpi", M::NoCase, &W::OnDpi},
    {"click", "btn_amp_onoff", M::Exact, &W::OnAmpOnOff},
    {"click", "btn_option", M::Exact, &W::OnOptionMenu},
    {"click", "ch_enable_", M::Prefix, &W::OnChannelSelect},
    {"click", "speaker_", M::Prefix, &W::OnSpeaker},

    {"selectchanged", "ch_show_", M::Prefix, &W::OnChShow},
    {"selectchanged", "ch_mute", M::Prefix, &W::OnChMute},
    {"selectchanged", "ch_phase", M::Prefix, &W::OnChPhase},
    {"selectchanged", "main_mute", M::Prefix, &W::OnMainMute},

    {"valuechanged", "slider_main_volume", M::Prefix, &W::OnMainVolumeSlider},
    {"movevaluechanged", "slider_main_volume", M::Prefix, &W::OnMainVolumeSlider},
    {"valuechanged", "slider_acc", M::Prefix, &W::OnAccSlider},
    {"movevaluechanged", "slider_acc", M::Prefix, &W::OnAccSlider},
    {"valuechanged", "slider_ch_volume", M::Prefix, &W::OnChVolumeSlider},
    {"movevaluechanged", "slider_ch_volume", M::Prefix, &W::OnChVolumeSlider},

    {"valuechangedup", "hp_freq", M::Prefix, &W::OnHpFreqStep},
    {"valuechangeddown", "hp_freq", M::Prefix, &W::OnHpFreqStep},
    {"valuechangedup", "lp_freq", M::Prefix, &W::OnLpFreqStep},
    {"valuechangeddown", "lp_freq", M::Prefix, &W::OnLpFreqStep},
    {"valuechangedup", "edit_main_volume", M::Prefix, &W::OnMainVolumeStep},
    {"valuechangeddown", "edit_main_volume", M::Prefix, &W::OnMainVolumeStep},
    {"valuechangedup", "edit_acc", M::Prefix, &W::OnAccStep},
    {"valuechangeddown", "edit_acc", M::Prefix, &W::OnAccStep},
    {"valuechangedup", "edit_ch_volume", M::Prefix, &W::OnChVolumeStep},
    {"valuechangeddown", "edit_ch_volume", M::Prefix, &W::OnChVolumeStep},
    {"valuechangedup", "spk_delay_", M::Prefix, &W::OnDelayStep},
    {"valuechangeddown", "spk_delay_", M::Prefix, &W::OnDelayStep},

    {"return", "edit_main_volume", M::Exact, &W::OnMainVolumeCommit},
    {"killfocus", "edit_main_volume", M::Exact, &W::OnMainVolumeCommit},
    {"return", "edit_acc", M::Exact, &W::OnAccCommit},
    {"killfocus", "edit_acc", M::Exact, &W::OnAccCommit},
    {"return", "hp_freq", M::Prefix, &W::OnHpFreqCommit},
    {"killfocus", "hp_freq", M::Prefix, &W::OnHpFreqCommit},
    {"return", "lp_freq", M::Prefix, &W::OnLpFreqCommit},
    {"killfocus", "lp_freq", M::Prefix, &W::OnLpFreqCommit},
    {"return", "edit_ch_volume", M::Prefix, &W::OnChVolumeCommit},
    {"killfocus", "edit_ch_volume", M::Prefix, &W::OnChVolumeCommit},
    {"return", "spk_delay_", M::Prefix, &W::OnDelayCommit},
    {"killfocus", "spk_delay_", M::Prefix, &W::OnDelayCommit},
    {"return", "eq_freq_", M::Prefix, &W::OnBandReturn},
    {"return", "eq_q_", M::Prefix, &W::OnBandReturn},
    {"return", "eq_gain_", M::Prefix, &W::OnBandReturn},

    {"valuechangedleft", "", M::Prefix, &W::OnArrow},
    {"valuechangedright", "", M::Prefix, &W::OnArrow},

    {"setfocus", "spk_delay_", M::Prefix, &W::OnDelayFocus},
    {"setfocus", "eq_freq_", M::Prefix, &W::OnBandFocus},
    {"setfocus", "eq_q_", M::Prefix, &W::OnBandFocus},
    {"setfocus", "eq_gain_", M::Prefix, &W::OnBandFocus},

    {"itemselect", "comb_ch_unit", M::Prefix, &W::OnDelayUnit},
    {"itemselect", "hp_type", M::Prefix, &W::OnHpType},
    {"itemselect", "lp_type", M::Prefix, &W::OnLpType},
    {"itemselect", "hp_slop", M::Prefix, &W::OnHpSlope},
    {"itemselect", "lp_slop", M::Prefix, &W::OnLpSlope},
    {"itemselect", "btn_input_source", M::Exact, &W::OnInputSource},

    {"equalizer_eq", "equalizer", M::Exact, &W::OnEqualizer},
    {"equalizer_hp", "equalizer", M::Exact, &W::OnEqualizer},
    {"equalizer_lp", "equalizer", M::Exact, &W::OnEqualizer},
};
// clang-format on

std::span<const CMainWnd::Route> CMainWnd::Routes() { return kRoutes; }

bool CMainWnd::Matches(const Route& route, const ui::Notification& n) {
  if (n.type != QLatin1String(route.type)) return false;
  const QString sender = QLatin1String(route.sender);
  switch (route.match) {
    case Match::Exact: return n.From(sender);
    case Match::Prefix: return n.FromPrefix(sender);
    case Match::NoCase: return n.FromNoCase(sender);
  }
  return false;
}

CMainWnd::CMainWnd(std::unique_ptr<InstanceLock> lock, std::unique_ptr<HidTransport> transport)
    : ui::UIWindow(QStringLiteral("MainWnd"), QStringLiteral("VLM24.60 DSP Audio"), nullptr, Kind::Main),
      lock_(lock ? std::move(lock) : std::make_unique<InstanceLock>()) {
  SetDeleteOnClose(false);
  manager_ = std::make_unique<EqualizerManager>(transport ? std::move(transport) : DefaultTransport(amplifier_));
}

CMainWnd::~CMainWnd() {
  if (menu_) delete menu_.data();
  // The link closes before the controller goes; the instance lock goes with
  // the window.
  if (manager_) manager_->link().CloseHIDDevice(false);
  manager_.reset();
}

void CMainWnd::InitWindow() {
  // Display scale from the widest monitor; the main window always sets it.
  ui::ScreenRect rect;
  const int dpi = ui::ChooseDpiForSystem(&rect);
  SetDpi(dpi);
  move(rect.left, rect.top);
  resize(Scaled(InitialSize().width()), Scaled(InitialSize().height()));

  // Language from the settings file; an unknown value keeps the default.
  RegisterLanguages();
  const int lan = ReadLanguageSetting();
  SelectLanguageByValue(lan);
  ui::RetranslateTree(this);

  optionButton_ = FindControl<QPushButton>(QStringLiteral("btn_option"));
  if (auto* dpiEdit = FindControl<QLineEdit>(QStringLiteral("edt_dpi"))) dpiEdit->setText(QString::number(dpi));

  // The controller finds its controls and fills them.
  missing_ = manager_->Init(this);

  // One copy per session: a second one says so and closes.
  if (!lock_->TryAcquire()) {
    instanceRejected_ = true;
    LogMessage("another instance is running\n");
    ShowMessageEx(this, QStringLiteral("${tips}"), QStringLiteral("${mutex_tips}"), {QStringLiteral("${confirm}")}, 1);
    QTimer::singleShot(0, this, [this] { Close(ui::kResultCancel); });
    return;
  }
  // Connecting with read-back and the hot-plug watch take their place here
  // with the device session; until then the virtual amplifier of a
  // --simulate run is attached directly.
  if (amplifier_) manager_->OpenLinkWithoutReadBack();
}

void CMainWnd::Notify(ui::Notification& n) {
  if (n.Is(nt::kClick) && n.From(QStringLiteral("minbtn"))) {
    showMinimized();
    return;
  }
  // Slider drags arrive here at mouse rate: nothing is formatted while logging is off.
  const bool logging = LoggingEnabled();
  if (logging) LogMessage("Notify %s\n", n.type.toUtf8().constData());
  if (manager_) {
    for (const Route& route : kRoutes) {
      if (!Matches(route, n)) continue;
      (this->*route.handler)(n, ui::UserDataIndex(n.sender));
      break;
    }
  }
  // The toolkit's own dispatch only logs.
  if (!logging) return;
  if (n.Is(nt::kClick)) LogMessage("OnClick\n");
  else if (n.Is(nt::kSelectChanged)) LogMessage("OnSelectChanged\n");
  else if (n.Is(nt::kItemClick)) LogMessage("OnItemClick\n");
}

// ---- route handlers ---------------------------------------------------------

void CMainWnd::OnClose(const ui::Notification&, int) { Close(ui::kResultCancel); }

void CMainWnd::OnDpi(const ui::Notification&, int) {
  auto* edit = FindControl<QLineEdit>(QStringLiteral("edt_dpi"));
  if (!edit) return;
  bool ok = false;
  const int dpi = edit->text().trimmed().toInt(&ok, 10);
  // Only a value a display can have; anything else leaves the scale.
  if (!ok || dpi < 48 || dpi > 480) {
    edit->setText(QString::number(Dpi()));
    return;
  }
  SetDpi(dpi);
  resize(Scaled(InitialSize().width()), Scaled(InitialSize().height()));
}

void CMainWnd::OnOptionMenu(const ui::Notification&, int) { ShowOptionMenu(); }
void CMainWnd::OnAmpOnOff(const ui::Notification&, int) { manager_->SetAmpOnOff(); }
void CMainWnd::OnChannelSelect(const ui::Notification&, int i) { manager_->SetCurChannelChange(i); }
void CMainWnd::OnSpeaker(const ui::Notification&, int i) { manager_->SetSpeakerFocus(i); }
void CMainWnd::OnChShow(const ui::Notification&, int i) { manager_->SetChShow(i); }
void CMainWnd::OnChMute(const ui::Notification&, int) { manager_->SetChMute(); }
void CMainWnd::OnChPhase(const ui::Notification&, int) { manager_->SetChPhase(); }
void CMainWnd::OnMainMute(const ui::Notification&, int) { manager_->SetMainMute(); }
void CMainWnd::OnMainVolumeSlider(const ui::Notification&, int) { manager_->SetMainVolume(); }
void CMainWnd::OnAccSlider(const ui::Notification&, int) { manager_->SetAccValue(); }
void CMainWnd::OnChVolumeSlider(const ui::Notification&, int) { manager_->SetChVolume(); }
void CMainWnd::OnHpFreqStep(const ui::Notification& n, int) { manager_->SetHpFreqUp(IsUp(n)); }
void CMainWnd::OnLpFreqStep(const ui::Notification& n, int) { manager_->SetLpFreqUp(IsUp(n)); }
void CMainWnd::OnMainVolumeStep(const ui::Notification& n, int) { manager_->SetMainVolumeUp(IsUp(n)); }
void CMainWnd::OnAccStep(const ui::Notification& n, int) { manager_->SetAccUp(IsUp(n)); }
void CMainWnd::OnChVolumeStep(const ui::Notification& n, int) { manager_->SetChVolumeUp(IsUp(n)); }
void CMainWnd::OnDelayStep(const ui::Notification& n, int i) { manager_->SetDelayUp(i, IsUp(n)); }
void CMainWnd::OnMainVolumeCommit(const ui::Notification&, int) { manager_->SetMainVolumeEdit(); }
void CMainWnd::OnAccCommit(const ui::Notification&, int) { manager_->SetAccEdit(); }
void CMainWnd::OnHpFreqCommit(const ui::Notification&, int) { manager_->SetHpFreq(); }
void CMainWnd::OnLpFreqCommit(const ui::Notification&, int) { manager_->SetLpFreq(); }
void CMainWnd::OnChVolumeCommit(const ui::Notification&, int) { manager_->SetChVolumeEdit(); }
void CMainWnd::OnDelayCommit(const ui::Notification&, int i) { manager_->SetDelayEdit(i); }
void CMainWnd::OnDelayUnit(const ui::Notification&, int) { manager_->SetDelayUnit(); }
void CMainWnd::OnHpType(const ui::Notification& n, int) {
  LogMessage("on eq hp_type %s valuechanged index ", n.SenderName().toUtf8().constData());
  manager_->SetHpType();
}
void CMainWnd::OnLpType(const ui::Notification& n, int) {
  LogMessage("on eq lp_type %s valuechanged index ", n.SenderName().toUtf8().constData());
  manager_->SetLpType();
}
void CMainWnd::OnHpSlope(const ui::Notification& n, int) {
  LogMessage("on eq hp_slop %s valuechanged index ", n.SenderName().toUtf8().constData());
  manager_->SetHpSlope();
}
void CMainWnd::OnLpSlope(const ui::Notification& n, int) {
  LogMessage("on eq lp_slop %s valuechanged index ", n.SenderName().toUtf8().constData());
  manager_->SetLpSlope();
}
void CMainWnd::OnInputSource(const ui::Notification&, int) { manager_->SetInputSource(); }

void CMainWnd::OnEqualizer(const ui::Notification& n, int index) {
  LogMessage("on DUI_MSGTYPE_EQUALIZERCHANGED index %d\n", index);
  const int kind = n.Is(nt::kEqualizerHp) ? 1 : n.Is(nt::kEqualizerLp) ? 2 : 0;
  // The index names the dragged band. A corner is dragged whether or not a
  // band is selected (index -1): the control shows the moved corner, so the
  // channel must take it too.
  if (index < 0 && kind == 0) return;
  manager_->EqualizerCallback(index, kind);
}

void CMainWnd::OnDelayFocus(const ui::Notification& n, int position) {
  const int channel = manager_->ChannelAtPosition(position);
  if (channel < 0) return;
  manager_->SetCurChannelChange(channel);
  if (auto* edit = qobject_cast<QLineEdit*>(n.sender.data())) edit->selectAll();
}

void CMainWnd::OnBandFocus(const ui::Notification& n, int band) {
  LogMessage("on eq %s setfocus index ", n.SenderName().toUtf8().constData());
  LogMessage("%d\n", band);
  manager_->UpdateEqualizer(band);
}

void CMainWnd::MoveFocusTo(const std::string& name) {
  if (name.empty()) return;
  if (QWidget* target = FindControl(QString::fromStdString(name)); target && target->isEnabled()) {
    target->setFocus(Qt::OtherFocusReason);
  }
}

void CMainWnd::OnBandReturn(const ui::Notification& n, int band) {
  controller::FocusEnvironment env;
  env.bandCount = manager_->live().bandCount(manager_->live().currChannel);
  MoveFocusTo(controller::ReturnFocusTarget(n.SenderName().toStdString(), band, env));
}

void CMainWnd::OnArrow(const ui::Notification& n, int index) {
  if (!qobject_cast<QLineEdit*>(n.sender.data())) return;
  const bool right = n.Is(nt::kValueChangedRight);
  const std::string sender = n.SenderName().toStdString();
  LogMessage(right ? "on edit %s DUI_MSGTYPE_VALUECHANGED_RIGHT\n" : "on edit %s DUI_MSGTYPE_VALUECHANGED_LEFT\n",
             sender.c_str());
  controller::FocusEnvironment env;
  env.bandCount = manager_->live().bandCount(manager_->live().currChannel);
  env.has = [this](const std::string& name) { return FindControl(QString::fromStdString(name)) != nullptr; };
  env.enabled = [this](const std::string& name) {
    QWidget* w = FindControl(QString::fromStdString(name));
    return w && w->isEnabled();
  };
  const controller::MainControls& c = manager_->controls();
  env.speakerVisible = [&c](int p) {
    return p >= 1 && p <= kSpeakerPositions && c.speaker[static_cast<size_t>(p)] &&
           !c.speaker[static_cast<size_t>(p)]->isHidden();
  };
  MoveFocusTo(controller::ArrowFocusTarget(sender, index, right, env));
}

// ---- menus, language, loading window ---------------------------------------------

void CMainWnd::ShowOptionMenu() {
  if (menu_) {
    menu_->close();
    delete menu_.data();
  }
  menu_ = ui::UIMenu::Load(QStringLiteral("option_menu"), this, Handle(), ScalePercent());
  if (!menu_) return;
  const QString current = ui::Language::Instance().Current();
  menu_->SetItemChecked(QStringLiteral("option_item_language_en"), current == QLatin1String("en"));
  menu_->SetItemChecked(QStringLiteral("option_item_language_cn"), current == QLatin1String("cn_zh"));
  menu_->SetItemChecked(QStringLiteral("option_item_language_ru"), current == QLatin1String("ru"));
  // File operations arrive with the device session.
  menu_->SetItemVisible(QStringLiteral("option_item_load_file"), false);
  menu_->SetItemVisible(QStringLiteral("option_item_save_file"), false);
  const QPoint at = optionButton_ ? optionButton_->mapToGlobal(QPoint(0, optionButton_->height())) : mapToGlobal(QPoint());
  menu_->ShowAt(at);
}

void CMainWnd::SwitchLanguage(const QString& name) {
  const int value = LanguageValue(name);
  if (value < 0 || ui::Language::Instance().Current() == name) return;
  LogMessage("change language to %s - %d\n", name.toUtf8().constData(), value);
  if (!ui::Language::Instance().Select(name)) return;
  WriteLanguageSetting(value);  // a failed write is not the user's concern here
  ui::RetranslateAll();
  update();
  LogMessage("change language finish\n");
  if (manager_) manager_->UpdateAllVolumeEdit();
}

void CMainWnd::OnMenuClick(const QString& item) {
  if (item.compare(QLatin1String("option_item_language"), Qt::CaseInsensitive) == 0) {
    SwitchLanguage(ui::Language::Instance().Current() == QLatin1String("cn_zh") ? QStringLiteral("en")
                                                                                 : QStringLiteral("cn_zh"));
  } else if (item == QLatin1String("option_item_language_en")) {
    SwitchLanguage(QStringLiteral("en"));
  } else if (item == QLatin1String("option_item_language_cn")) {
    SwitchLanguage(QStringLiteral("cn_zh"));
  } else if (item == QLatin1String("option_item_language_ru")) {
    SwitchLanguage(QStringLiteral("ru"));
  } else if (item == QLatin1String("option_item_about")) {
    ShowAbout(this, AboutIdentity{});
  }
}

void CMainWnd::ShowLoadingWindow() {
  CloseLoadingWindow();
  auto* wnd = new CLoadingWnd(this);
  loading_ = wnd;
  wnd->Create(QStringLiteral("XML_LOADING"));
  wnd->ShowModal();
  // Whatever closed it, the reference goes with it.
  if (loading_ == wnd) loading_ = nullptr;
}

void CMainWnd::CloseLoadingWindow() {
  if (CLoadingWnd* wnd = loading_) {
    loading_ = nullptr;
    wnd->Close(ui::kResultConfirm);
  }
}

bool CMainWnd::HandleMessage(ui::WindowMessage& msg) {
  switch (msg.message) {
    case WM_MENU_CLICK:
      if (auto record = msg.record.Take<ui::MenuClickRecord>()) {
        LogMessage("on menu click %s\n", record->name.toUtf8().constData());
        OnMenuClick(record->name);
      }
      return true;
    case WM_BUSY_BEGIN:
      ShowLoadingWindow();
      return true;
    case WM_BUSY_END:
      CloseLoadingWindow();
      return true;
    default:
      return false;
  }
}

}  // namespace vlm
