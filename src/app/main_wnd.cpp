#include "app/main_wnd.h"

#include <QAbstractSlider>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/app_options.h"
#include "app/language_setup.h"
#include "app/main_wnd_autosetup.h"
#include "app/main_wnd_tools.h"
#include "windows/audio_wnd.h"
#include "app/settings_file.h"
#include "base/log.h"
#include "base/timing.h"
#include "controller/focus_moves.h"
#include "eqview/qt/ui_equalizer.h"
#include "windows/key_text.h"
#include "device/device_link.h"
#include "device/hidapi_transport.h"
#include "device/messages.h"
#include "device/tracing_transport.h"
#include "sim/sim_hotplug.h"
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

// The trace of --trace: open for the whole run, written line by line.
std::FILE* TraceFile() {
  static std::FILE* file = [] {
    const QString path = CurrentAppOptions().traceFile;
    if (path.isEmpty()) return static_cast<std::FILE*>(nullptr);
    std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "w");
    if (!f) std::fprintf(stderr, "vlm-tuner: cannot write the trace file %s\n", path.toLocal8Bit().constData());
    return f;
  }();
  return file;
}

// The main volume the virtual amplifier of --simulate starts at, as the
// attenuation 6 - dB (-20 dB).
constexpr uint8_t kSimulatedMainVolume = 6 + 20;

// The amplifier's transport when the caller gives none.
std::unique_ptr<HidTransport> DefaultTransport(std::shared_ptr<sim::VirtualAmplifier>& amplifier) {
  std::unique_ptr<HidTransport> transport;
  if (CurrentAppOptions().simulate) {
    amplifier = std::make_shared<sim::VirtualAmplifier>();
    // It plays at -20 dB main volume, as vlmctl's does: its factory -60 dB is
    // too quiet to be measured in its cabin.
    amplifier->WithState([](sim::AmplifierState& s) { s.scenes.at(0).mainVolume = kSimulatedMainVolume; });
    // VLM_SIM_FIRMWARE=16.18 makes the virtual amplifier report old firmware
    // (the forced update is then offered).
    if (const char* fw = std::getenv("VLM_SIM_FIRMWARE")) {
      unsigned major = 0, minor = 0;
      if (std::sscanf(fw, "%u.%u", &major, &minor) == 2 && major < 256 && minor < 256)
        amplifier->SetFirmwareVersion(static_cast<uint8_t>(major), static_cast<uint8_t>(minor));
    }
    transport = std::make_unique<sim::SimTransport>(amplifier);
  } else {
    transport = std::make_unique<HidapiTransport>();
  }
  if (std::FILE* trace = TraceFile()) transport = std::make_unique<TracingTransport>(std::move(transport), trace);
  return transport;
}

// Set by a program that restarted itself: it waits for the old one's lock.
constexpr char kRestartVariable[] = "VLM_TUNER_RESTARTED";

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
    {"click", "btn_scene", M::Exact, &W::OnSceneMenu},
    {"click", "btn_advance", M::Exact, &W::OnAdvanceMenu},
    {"click", "ch_output_btn", M::Prefix, &W::OnOutputButton},
    {"click", "btn_reset_output", M::Exact, &W::OnResetOutput},
    {"click", "btn_lock_output", M::Exact, &W::OnLockOutput},
    {"click", "btn_link_output", M::Exact, &W::OnLinkOutput},
    {"click", "btn_reset_eq", M::Exact, &W::OnEqReset},
    {"click", "btn_tune", M::Exact, &W::OnTuneButton},
    {"click", "btn_curve_png", M::Exact, &W::OnCurvePictureButton},
    {"click", "btn_bypass", M::Exact, &W::OnEqBypass},
    {"click", "pt_enable_", M::Prefix, &W::OnEqEnable},
    {"click", "btn_arg_eq", M::Exact, &W::OnEqMode},
    {"click", "btnConnect", M::Exact, &W::OnConnectButton},
    {"click", "btn_ab_a", M::Exact, &W::OnAbA},
    {"click", "btn_ab_b", M::Exact, &W::OnAbB},
    {"click", "btn_ab_copy", M::Exact, &W::OnAbCopy},

    {"selectchanged", "ch_show_", M::Prefix, &W::OnChShow},
    {"selectchanged", "ch_solo_", M::Prefix, &W::OnChSolo},
    {"selectchanged", "ch_mute", M::Prefix, &W::OnChMute},
    {"selectchanged", "ch_phase", M::Prefix, &W::OnChPhase},
    {"selectchanged", "main_mute", M::Prefix, &W::OnMainMute},

    {"valuechanged", "slider_main_volume", M::Prefix, &W::OnMainVolumeSlider},
    {"movevaluechanged", "slider_main_volume", M::Prefix, &W::OnMainVolumeSlider},
    {"valuechanged", "slider_acc", M::Prefix, &W::OnAccSlider},
    {"movevaluechanged", "slider_acc", M::Prefix, &W::OnAccSlider},
    {"valuechanged", "slider_ch_volume", M::Prefix, &W::OnChVolumeSlider},
    {"movevaluechanged", "slider_ch_volume", M::Prefix, &W::OnChVolumeSlider},
    {"valuechanged", "eq_slider_", M::Prefix, &W::OnEqSlider},
    {"movevaluechanged", "eq_slider_", M::Prefix, &W::OnEqSlider},

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
    {"valuechangedup", "eq_freq_", M::Prefix, &W::OnBandFreqStep},
    {"valuechangeddown", "eq_freq_", M::Prefix, &W::OnBandFreqStep},
    {"valuechangedup", "eq_q_", M::Prefix, &W::OnBandQStep},
    {"valuechangeddown", "eq_q_", M::Prefix, &W::OnBandQStep},
    {"valuechangedup", "eq_gain_", M::Prefix, &W::OnBandGainStep},
    {"valuechangeddown", "eq_gain_", M::Prefix, &W::OnBandGainStep},

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
    {"killfocus", "eq_freq_", M::Prefix, &W::OnBandCommit},
    {"killfocus", "eq_q_", M::Prefix, &W::OnBandCommit},
    {"killfocus", "eq_gain_", M::Prefix, &W::OnBandCommit},

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

CMainWnd::CMainWnd(std::unique_ptr<InstanceLock> lock, std::unique_ptr<HidTransport> transport,
                   std::optional<bool> connectAtStart)
    : ui::UIWindow(QStringLiteral("MainWnd"), QStringLiteral("VLM24.60 DSP Audio"), nullptr, Kind::Main),
      lock_(lock ? std::move(lock) : std::make_unique<InstanceLock>()) {
  SetDeleteOnClose(false);
  const bool own = !transport;
  connectAtStart_ = connectAtStart.value_or(own);
  manager_ = std::make_unique<EqualizerManager>(own ? DefaultTransport(amplifier_) : std::move(transport));
  upgrades_ = std::make_unique<UpgradeWindows>(this, manager_->link());
  if (own) {
    ownRealTransport_ = !amplifier_;
    if (amplifier_) hotplug_ = std::make_unique<sim::SimHotplugMonitor>(amplifier_);
    else hotplug_ = MakeUdevHotplugMonitor();
  }
}

CMainWnd::~CMainWnd() {
  // No device event reaches a window that is going.
  if (hotplug_) hotplug_->Stop();
  if (menu_) delete menu_.data();
  // The link closes before the controller goes; the instance lock goes with
  // the window.
  upgrades_.reset();
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
  // Scene names are written in the language's code page.
  manager_->session().SetCodePage(CurrentSceneNameCodePage());

  optionButton_ = FindControl<QPushButton>(QStringLiteral("btn_option"));
  if (auto* dpiEdit = FindControl<QLineEdit>(QStringLiteral("edt_dpi"))) dpiEdit->setText(QString::number(dpi));

  // The controller finds its controls and fills them.
  missing_ = manager_->Init(this);
  WireToolWindows();
  AddUndoShortcuts();

  // One copy per session: a second one says so and closes. A copy started
  // by a restart first gives the old one a few seconds to close.
  const bool restarted = qEnvironmentVariableIsSet(kRestartVariable);
  if (restarted) qunsetenv(kRestartVariable);
  if (!lock_->TryAcquireWithin(restarted ? timing().restartLockWaitMs : 0)) {
    instanceRejected_ = true;
    LogMessage("another instance is running\n");
    ShowMessageEx(this, QStringLiteral("${tips}"), QStringLiteral("${mutex_tips}"), {QStringLiteral("${confirm}")}, 1);
    QTimer::singleShot(0, this, [this] { Close(ui::kResultCancel); });
    return;
  }
  // The USB device: a node without permission is told as such.
  if (ownRealTransport_) manager_->life().SetAccessProbe([] { return ProbeAmplifierAccess(); });
  // Plug events arrive on the monitor's thread and become device-change
  // messages of this window.
  if (hotplug_) {
    const ui::WindowHandle handle = Handle();
    const bool watching = hotplug_->Start([handle](bool arrived) {
      ui::PostWindowMessage(handle, WM_DEVICE_CHANGE, arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE);
    });
    if (!watching) LogMessage("RegisterDeviceNotification\n");
  }
  WatchDisplays();
  // The virtual amplifier of a --simulate run is connected as a real one is.
  if (connectAtStart_) manager_->ConnectDevice(false);
}

void CMainWnd::OnConnectButton(const ui::Notification&, int) { manager_->ConnectDevice(true); }

void CMainWnd::OnDeviceChange(int event) {
  if (event == DBT_DEVICEARRIVAL) {
    LogMessage("Message DBT_DEVICEARRIVAL\n");
  } else if (event == DBT_DEVICEREMOVECOMPLETE) {
    LogMessage("Message DBT_DEVICEREMOVECOMPLETE\n");
  } else {
    LogMessage("Message %d\n", event);
    return;
  }
  // The amplifier re-enumerates while an upgrade transfers: not a plug event.
  if (upgrades_->WorkerRunning()) return;
  // An open notice or question is about a state that no longer holds.
  ui::CloseMessageWindows();
  if (event == DBT_DEVICEARRIVAL) manager_->DevicePlugin();
  else manager_->DevicePlugOut();
}

bool CMainWnd::ConfirmClosing() {
  if (!askOnClose_ || closingDone_ || instanceRejected_ || !manager_) return true;
  if (manager_->life().AskToSaveScene() == controller::DeviceLife::LeaveAnswer::Stay) return false;
  askOnClose_ = false;  // answered: the closing that follows asks nothing
  return true;
}

void CMainWnd::RunClosing(bool ask) {
  if (closingDone_ || instanceRejected_ || !manager_) return;
  if (ask && !ConfirmClosing()) return;
  closingDone_ = true;
  LogMessage("CMainWnd close\n");
  if (hotplug_) hotplug_->Stop();
  manager_->DisconnectDevice();
  CloseLoadingWindow();
  ui::CloseMessageWindows();
  QCoreApplication::exit(0);
}

void CMainWnd::closeEvent(QCloseEvent* e) {
  // The window system's close: the question may keep the window open.
  if (!IsClosed() && !ConfirmClosing()) {
    e->ignore();
    return;
  }
  RunClosing(false);
  ui::UIWindow::closeEvent(e);
}

void CMainWnd::CloseWithoutQuestion() {
  askOnClose_ = false;
  RunClosing(false);
  Close(ui::kResultCancel);
}

void CMainWnd::WatchDisplays() {
  auto watch = [this](QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { RestartOnDisplayChange(); });
  };
  for (QScreen* screen : QGuiApplication::screens()) watch(screen);
  connect(qApp, &QGuiApplication::screenAdded, this, [this, watch](QScreen* screen) {
    watch(screen);
    RestartOnDisplayChange();
  });
  connect(qApp, &QGuiApplication::screenRemoved, this, [this] { RestartOnDisplayChange(); });
}

void CMainWnd::RestartOnDisplayChange() {
  if (restarting_ || closingDone_) return;
  restarting_ = true;
  LogMessage("display changed: restart\n");
  bool started = false;
  if (restarter_) {
    started = restarter_();
  } else {
    // The same program with the same arguments (a simulated run stays
    // simulated); it waits for this one's lock.
    QStringList args = QCoreApplication::arguments();
    if (!args.isEmpty()) args.removeFirst();
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments(args);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kRestartVariable), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    started = process.startDetached();
  }
  if (!started) LogMessage("restart failed\n");
  // The new copy must not wait on a question: the scene stays in the amplifier.
  CloseWithoutQuestion();
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
    // The editors' edits are this control's step (every editor applies
    // its edits through the recorder; nothing is compared afterwards).
    manager_->recorder().BeginAction(n.SenderName().toStdString(), GestureOf(n));
    for (const Route& route : kRoutes) {
      if (!Matches(route, n)) continue;
      (this->*route.handler)(n, ui::UserDataIndex(n.sender));
      break;
    }
    if (manager_) manager_->recorder().EndAction();
  }
  // The toolkit's own dispatch only logs.
  if (!logging) return;
  if (n.Is(nt::kClick)) LogMessage("OnClick\n");
  else if (n.Is(nt::kSelectChanged)) LogMessage("OnSelectChanged\n");
  else if (n.Is(nt::kItemClick)) LogMessage("OnItemClick\n");
}

// ---- route handlers ---------------------------------------------------------

void CMainWnd::OnClose(const ui::Notification&, int) {
  if (!ConfirmClosing()) return;  // cancelled: the window stays
  Close(ui::kResultCancel);
}

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
  // A larger scale grows the window to the right and down: it is moved back
  // onto its screen, so that its title bar and close button stay reachable.
  if (QScreen* s = screen()) {
    const QRect a = s->availableGeometry();
    const QRect f = frameGeometry();
    const ui::ScreenRect to = ui::KeepOnScreen({f.left(), f.top(), f.left() + f.width(), f.top() + f.height()},
                                               {a.left(), a.top(), a.left() + a.width(), a.top() + a.height()});
    if (to.left != f.left() || to.top != f.top()) move(to.left, to.top);
  }
}

void CMainWnd::OnOptionMenu(const ui::Notification&, int) { ShowOptionMenu(); }
void CMainWnd::OnAmpOnOff(const ui::Notification&, int) { manager_->volume().SetAmpOnOff(); }
void CMainWnd::OnChannelSelect(const ui::Notification&, int i) { manager_->channels().SetCurChannelChange(i); }
void CMainWnd::OnSpeaker(const ui::Notification&, int i) { manager_->speakers().SetSpeakerFocus(i); }
void CMainWnd::OnChShow(const ui::Notification&, int i) { manager_->channels().SetChShow(i); }
void CMainWnd::OnChSolo(const ui::Notification&, int i) { manager_->solo().Toggle(i); }
void CMainWnd::OnChMute(const ui::Notification&, int) { manager_->channels().SetChMute(); }
void CMainWnd::OnChPhase(const ui::Notification&, int) { manager_->channels().SetChPhase(); }
void CMainWnd::OnMainMute(const ui::Notification&, int) { manager_->volume().SetMainMute(); }
void CMainWnd::OnMainVolumeSlider(const ui::Notification&, int) { manager_->volume().SetMainVolume(); }
void CMainWnd::OnAccSlider(const ui::Notification&, int) { manager_->volume().SetAccValue(); }
void CMainWnd::OnChVolumeSlider(const ui::Notification&, int) { manager_->channels().SetChVolume(); }
void CMainWnd::OnHpFreqStep(const ui::Notification& n, int) { manager_->crossover().SetHpFreqUp(IsUp(n)); }
void CMainWnd::OnLpFreqStep(const ui::Notification& n, int) { manager_->crossover().SetLpFreqUp(IsUp(n)); }
void CMainWnd::OnMainVolumeStep(const ui::Notification& n, int) { manager_->volume().SetMainVolumeUp(IsUp(n)); }
void CMainWnd::OnAccStep(const ui::Notification& n, int) { manager_->volume().SetAccUp(IsUp(n)); }
void CMainWnd::OnChVolumeStep(const ui::Notification& n, int) { manager_->channels().SetChVolumeUp(IsUp(n)); }
void CMainWnd::OnDelayStep(const ui::Notification& n, int i) { manager_->speakers().SetDelayUp(i, IsUp(n)); }
void CMainWnd::OnMainVolumeCommit(const ui::Notification&, int) { manager_->volume().SetMainVolumeEdit(); }
void CMainWnd::OnAccCommit(const ui::Notification&, int) { manager_->volume().SetAccEdit(); }
void CMainWnd::OnHpFreqCommit(const ui::Notification&, int) { manager_->crossover().SetHpFreq(); }
void CMainWnd::OnLpFreqCommit(const ui::Notification&, int) { manager_->crossover().SetLpFreq(); }
void CMainWnd::OnChVolumeCommit(const ui::Notification&, int) { manager_->channels().SetChVolumeEdit(); }
void CMainWnd::OnDelayCommit(const ui::Notification&, int i) { manager_->speakers().SetDelayEdit(i); }
void CMainWnd::OnDelayUnit(const ui::Notification&, int) { manager_->speakers().SetDelayUnit(); }
void CMainWnd::OnHpType(const ui::Notification& n, int) {
  LogMessage("on eq hp_type %s valuechanged index ", n.SenderName().toUtf8().constData());
  manager_->crossover().SetHpType();
}
void CMainWnd::OnLpType(const ui::Notification& n, int) {
  LogMessage("on eq lp_type %s valuechanged index ", n.SenderName().toUtf8().constData());
  manager_->crossover().SetLpType();
}
void CMainWnd::OnHpSlope(const ui::Notification& n, int) {
  LogMessage("on eq hp_slop %s valuechanged index ", n.SenderName().toUtf8().constData());
  manager_->crossover().SetHpSlope();
}
void CMainWnd::OnLpSlope(const ui::Notification& n, int) {
  LogMessage("on eq lp_slop %s valuechanged index ", n.SenderName().toUtf8().constData());
  manager_->crossover().SetLpSlope();
}
void CMainWnd::OnInputSource(const ui::Notification&, int) { manager_->volume().SetInputSource(); }
void CMainWnd::OnSceneMenu(const ui::Notification&, int) { ShowSceneMenu(); }
void CMainWnd::OnAdvanceMenu(const ui::Notification&, int) { ShowAdvanceMenu(); }
void CMainWnd::OnOutputButton(const ui::Notification&, int i) { ShowOutputMenu(i); }
void CMainWnd::OnResetOutput(const ui::Notification&, int) { manager_->outputs().SetOutputReset(); }
void CMainWnd::OnLockOutput(const ui::Notification&, int) { manager_->outputs().SetOutpuLock(); }
void CMainWnd::OnLinkOutput(const ui::Notification&, int) { manager_->outputs().SetOutputLink(); }
void CMainWnd::OnEqReset(const ui::Notification&, int) { manager_->bandEditor().SetOutputEqRest(); }
void CMainWnd::OnAbA(const ui::Notification&, int) { manager_->abControl().SwitchTo(AbSlot::A); }
void CMainWnd::OnAbB(const ui::Notification&, int) { manager_->abControl().SwitchTo(AbSlot::B); }
void CMainWnd::OnAbCopy(const ui::Notification&, int) { manager_->abControl().CopyAToB(); }
void CMainWnd::OnEqBypass(const ui::Notification&, int) { manager_->bandEditor().SetOutputBypass(); }
void CMainWnd::OnEqEnable(const ui::Notification&, int i) { manager_->bandEditor().OnEqEnable(i); }
void CMainWnd::OnEqMode(const ui::Notification&, int) { manager_->bandEditor().SetEqMode(); }
void CMainWnd::OnEqSlider(const ui::Notification& n, int i) {
  LogMessage("on eq silder %s valuechanged index ", n.SenderName().toUtf8().constData());
  LogMessage("%d\n", i);
  if (auto* slider = qobject_cast<QAbstractSlider*>(n.sender.data())) LogMessage("value %d\n", slider->value());
  manager_->bandEditor().SetEqSlider(i);
}
void CMainWnd::OnBandFreqStep(const ui::Notification& n, int i) { manager_->bandEditor().SetEqFreqUp(i, IsUp(n)); }
void CMainWnd::OnBandQStep(const ui::Notification& n, int i) { manager_->bandEditor().SetEqQUp(i, IsUp(n)); }
void CMainWnd::OnBandGainStep(const ui::Notification& n, int i) { manager_->bandEditor().SetEqGainUp(i, IsUp(n)); }
void CMainWnd::OnBandCommit(const ui::Notification& n, int i) {
  LogMessage("on eq %s killfocus index ", n.SenderName().toUtf8().constData());
  LogMessage("%d\n", i);
  manager_->bandEditor().SetChEqEdit(i);
}

void CMainWnd::OnEqualizer(const ui::Notification& n, int) {
  // The curve control reports what the drag moved with its values; a
  // corner is dragged whether or not a band is selected.
  const auto* drag = reinterpret_cast<const eqview::CurveDrag*>(n.lparam);
  if (!drag) return;
  LogMessage("on DUI_MSGTYPE_EQUALIZERCHANGED index %d\n", drag->band);
  switch (drag->part) {
    case eqview::Notice::Hp:
      manager_->crossover().CornerDragged(controller::FilterSide::HighPass, drag->freq);
      break;
    case eqview::Notice::Lp:
      manager_->crossover().CornerDragged(controller::FilterSide::LowPass, drag->freq);
      break;
    case eqview::Notice::Eq:
      if (drag->band >= 0) manager_->bandEditor().BandDragged(*drag);
      break;
  }
}

int CMainWnd::GestureOf(const ui::Notification& n) const {
  if (n.lparam && qobject_cast<eqview::UIEqualizer*>(n.sender.data())) {
    return reinterpret_cast<const eqview::CurveDrag*>(n.lparam)->gesture;
  }
  if (auto* slider = qobject_cast<QAbstractSlider*>(n.sender.data()); slider && slider->isSliderDown()) {
    return sliderGesture_;
  }
  return 0;
}

void CMainWnd::OnDelayFocus(const ui::Notification& n, int position) {
  const int channel = manager_->speakers().ChannelAt(position);
  if (channel < 0) return;
  manager_->channels().SetCurChannelChange(channel);
  if (auto* edit = qobject_cast<QLineEdit*>(n.sender.data())) edit->selectAll();
}

void CMainWnd::OnBandFocus(const ui::Notification& n, int band) {
  LogMessage("on eq %s setfocus index ", n.SenderName().toUtf8().constData());
  LogMessage("%d\n", band);
  manager_->curves().UpdateEqualizer(band);
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
  env.enabled = [this](const std::string& name) {
    QWidget* w = FindControl(QString::fromStdString(name));
    return w && w->isEnabled();
  };
  MoveFocusTo(controller::ReturnFocusTarget(n.SenderName().toStdString(), band, env));
  // With nowhere to go (a channel of one band in graphic mode) Enter still
  // commits what was typed.
  if (auto* edit = qobject_cast<QWidget*>(n.sender.data()); edit && edit->hasFocus()) manager_->bandEditor().SetChEqEdit(band);
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

ui::UIMenu* CMainWnd::OpenMenuAt(const QString& id, QWidget* button) {
  // At most one menu is open: opening one destroys the previous.
  if (menu_) {
    menu_->close();
    delete menu_.data();
  }
  menu_ = ui::UIMenu::Load(id, this, Handle(), ScalePercent());
  if (!menu_) return nullptr;
  const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height())) : mapToGlobal(QPoint());
  menu_->ShowAt(at);
  return menu_;
}

void CMainWnd::ShowOptionMenu() {
  ui::UIMenu* menu = OpenMenuAt(QStringLiteral("xml/option_menu.xml"), optionButton_);
  if (!menu) return;
  const QString current = ui::Language::Instance().Current();
  menu->SetItemChecked(QStringLiteral("option_item_language_en"), current == QLatin1String("en"));
  menu->SetItemChecked(QStringLiteral("option_item_language_cn"), current == QLatin1String("cn_zh"));
  menu->SetItemChecked(QStringLiteral("option_item_language_ru"), current == QLatin1String("ru"));
  ShowUndoItems(*menu);
  // Connected and read back (the link alone is open while connecting too).
  menu->SetItemEnabled(QStringLiteral("option_item_reset_default"),
                       manager_->IsDeviceConnected() && manager_->link().IsConnected());
}

void CMainWnd::ShowSceneMenu() {
  ui::UIMenu* menu = OpenMenuAt(QStringLiteral("xml/scene_menu.xml"), manager_->controls().btnScene);
  if (!menu) return;
  const bool connected = manager_->IsDeviceConnected() && manager_->link().IsConnected();
  for (const char* item : {"scene_item_load_scene", "scene_item_saveas_scene", "scene_item_delete_scene"})
    menu->SetItemEnabled(QString::fromLatin1(item), connected);
}

void CMainWnd::ShowAdvanceMenu() {
  ui::UIMenu* menu = OpenMenuAt(QStringLiteral("xml/advance_menu.xml"), manager_->controls().btnAdvance);
  if (!menu) return;
  for (const char* item :
       {"advance_item_autocal", "advance_item_noise_threshold", "advance_item_poweroff_delay", "advance_item_ktv"})
    menu->SetItemVisible(QString::fromLatin1(item), false);
}

void CMainWnd::ShowOutputMenu(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  outputMenuChannel_ = channel;
  ui::UIMenu* menu =
      OpenMenuAt(QStringLiteral("xml/output_menu.xml"), manager_->controls().chOutputButton[static_cast<size_t>(channel)]);
  if (menu) manager_->outputs().SetSubMenu(*menu, channel);
}

void CMainWnd::SwitchLanguage(const QString& name) {
  const int value = LanguageValue(name);
  if (value < 0 || ui::Language::Instance().Current() == name) return;
  LogMessage("change language to %s - %d\n", name.toUtf8().constData(), value);
  if (!ui::Language::Instance().Select(name)) return;
  WriteLanguageSetting(value);  // a failed write is not the user's concern here
  // The scene names held as the amplifier's bytes are shown in the new
  // language's code page from now on, without reading them again.
  if (manager_) manager_->session().SetCodePage(CurrentSceneNameCodePage());
  ui::RetranslateAll();
  update();
  LogMessage("change language finish\n");
  if (manager_) manager_->UpdateAllVolumeEdit();
}

void CMainWnd::OnMenuClick(const QString& item) {
  if (item == QLatin1String("channel_item_copy")) {
    OpenChannelCopy(outputMenuChannel_);
  } else if (item == QLatin1String("advance_item_copy_channel")) {
    OpenChannelCopy(manager_->CurrentChannel());
  } else if (item.startsWith(QLatin1String("output_menu")) || item.startsWith(QLatin1String("output_item"))) {
    manager_->outputs().SetOutputValue(outputMenuChannel_, item);
  } else if (item == QLatin1String("option_item_undo")) {
    Undo();
  } else if (item == QLatin1String("option_item_redo")) {
    Redo();
  } else if (item.startsWith(QLatin1String("option_item_firmware_upgrade"))) {
    OpenFirmwareUpgrade();
  } else if (item.startsWith(QLatin1String("option_item_snapshots"))) {
    OpenSnapshots();
  } else if (item.startsWith(QLatin1String("option_item_reset_default"))) {
    ResetFactoryDefault();
  } else if (item.startsWith(QLatin1String("option_item_about"))) {
    // The connected amplifier's model and version, as its handshake told.
    ShowAbout(this, manager_->IsDeviceConnected() ? AboutIdentityOf(manager_->live()) : AboutIdentity{});
  } else if (item.compare(QLatin1String("option_item_language"), Qt::CaseInsensitive) == 0) {
    SwitchLanguage(ui::Language::Instance().Current() == QLatin1String("cn_zh") ? QStringLiteral("en")
                                                                                 : QStringLiteral("cn_zh"));
  } else if (item == QLatin1String("option_item_language_en")) {
    SwitchLanguage(QStringLiteral("en"));
  } else if (item == QLatin1String("option_item_language_cn")) {
    SwitchLanguage(QStringLiteral("cn_zh"));
  } else if (item == QLatin1String("option_item_language_ru")) {
    SwitchLanguage(QStringLiteral("ru"));
  } else if (item.startsWith(QLatin1String("scene_item_"))) {
    RunSceneItem(item);
  } else if (item == QLatin1String("advance_item_mixer")) {
    OpenInputMixer();
  } else if (item == QLatin1String("advance_item_tune")) {
    OpenTuningWindowFor(*this);
  } else if (item == QLatin1String("advance_item_align")) {
    OpenAlignWindowFor(*this);
  } else if (item == QLatin1String("advance_item_autosetup")) {
    OpenAutoSetupWindowFor(*this);
  } else if (item == QLatin1String("advance_item_audio")) {
    MakeAudioWindowFor(*this)->ShowModal();
  }
}

void CMainWnd::ShowLoadingWindow() { loading_.Show(this); }

void CMainWnd::CloseLoadingWindow() { loading_.Close(); }

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
      // An undone or redone load ends here; anything else is the manager's
      // (a scene load's settings, a push's outcome).
      if (manager_ && manager_->recorder().Restoring()) UndoRestoreEnded(msg);
      else if (manager_) manager_->HandleDeviceMessage(msg);
      CloseLoadingWindow();
      return true;
    case WM_RESTORE_PROGRESS:
      if (manager_ && manager_->recorder().Restoring()) {
        loading_.SetText(FillKeyText(QStringLiteral("${snapshot_restoring}"),
                                     {static_cast<int>(msg.wparam), static_cast<int>(msg.lparam)}));
      }
      return true;
    case WM_FACTORY_RESET_DONE:
      CloseLoadingWindow();
      return manager_ && manager_->HandleDeviceMessage(msg);
    case WM_DEVICE_CHANGE:
      OnDeviceChange(static_cast<int>(msg.wparam));
      return true;
    default:
      return manager_ && manager_->HandleDeviceMessage(msg);
  }
}

}  // namespace vlm
