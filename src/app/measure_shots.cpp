#include "app/measure_shots.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <chrono>

#include "app/language_setup.h"
#include "app/life_screenshots.h"
#include "app/main_wnd.h"
#include "app/main_wnd_tools.h"
#include "app/single_instance.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "sim/virtual_card.h"
#include "ui/language.h"
#include "windows/tuning_wnd.h"

namespace vlm {
namespace {

// The virtual card, held halfway through the sweep's take until released (or
// cancelled), so that the picture shows a measurement under way.
class HalfwayCard : public audio::AudioBackend {
 public:
  HalfwayCard(std::unique_ptr<audio::AudioBackend> inner, std::shared_ptr<std::atomic<bool>> release)
      : inner_(std::move(inner)), release_(std::move(release)) {}
  std::string Name() const override { return inner_->Name(); }
  audio::DeviceList Devices() override { return inner_->Devices(); }
  audio::TakeResult Take(const audio::TakeRequest& request, const std::atomic<bool>& cancel,
                         const audio::TakeProgress& progress) override {
    // The probe's takes are short; the sweep's (five seconds) is the long one.
    const bool sweep = request.outputChannels > 0 &&
                       request.play.size() / static_cast<std::size_t>(request.outputChannels) >
                           static_cast<std::size_t>(3 * request.sampleRate);
    bool held = false;
    return inner_->Take(request, cancel, [&](double f) {
      if (progress) progress(f);
      if (!sweep || held || f < 0.5) return;
      held = true;
      for (int i = 0; i < 20000 && !release_->load() && !cancel.load(); ++i) QThread::msleep(1);
    });
  }

 private:
  std::unique_ptr<audio::AudioBackend> inner_;
  std::shared_ptr<std::atomic<bool>> release_;
};

class NoDevices : public audio::AudioBackend {
 public:
  std::string Name() const override { return "none"; }
  audio::DeviceList Devices() override { return {{}, "no sound device was found"}; }
  audio::TakeResult Take(const audio::TakeRequest&, const std::atomic<bool>&, const audio::TakeProgress&) override {
    return {};
  }
};

bool Grab(QWidget* w, const QDir& dir, const QString& name, const QString& lang) {
  QApplication::processEvents();
  return w->grab().save(dir.filePath(QStringLiteral("%1_%2.png").arg(name, lang)));
}

void Show(ui::UIWindow* w) {
  w->SetDpi(96);
  w->show();
  w->resize(w->Scaled(w->InitialSize().width()), w->Scaled(w->InitialSize().height()));
  QApplication::processEvents();
}

}  // namespace

bool SaveMeasureShots(const QDir& dir) {
  ui::ModalAnswerer previous = ui::SetModalAnswerer([](ui::UIWindow& w) { w.Close(ui::kResultCancel); });
  // Measurements, their overrides and the settings go to folders of the pictures' own.
  QTemporaryDir data;
  const QByteArray oldData = qgetenv("XDG_DATA_HOME");
  const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_DATA_HOME", data.filePath(QStringLiteral("data")).toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", data.filePath(QStringLiteral("config")).toLocal8Bit());
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  // The saloon is measured at -20 dB main volume (attenuation 6 - dB).
  amp->WithState([](sim::AmplifierState& s) { s.scenes.at(0).mainVolume = 26; });
  auto release = std::make_shared<std::atomic<bool>>(false);
  bool empty = false;
  bool ok = true;
  {
    CMainWnd main(std::make_unique<InstanceLock>(dir.filePath(QStringLiteral("measure.lock"))),
                  std::make_unique<sim::SimTransport>(amp), true);
    main.SetSoundCardMaker([amp, release, &empty](std::string& error) -> std::unique_ptr<audio::AudioBackend> {
      if (empty) return std::make_unique<NoDevices>();
      auto card = sim::MakeVirtualCard(amp, "", error);
      if (!card) return nullptr;
      return std::make_unique<HalfwayCard>(std::move(card), release);
    });
    main.Create(QStringLiteral("XML_MAIN"));
    main.show();
    EqualizerManager& m = main.Manager();
    ok = PumpUntil([&m] { return m.IsDeviceConnected() && !m.session().WorkerRunning(); }) && ok;
    m.channels().SetCurChannelChange(2);
    for (const LanguageEntry& entry : kLanguages) {
      const QString lang = QString::fromLatin1(entry.name);
      ui::Language::Instance().Select(lang);
      ui::RetranslateAll();
      CTuningWnd* wnd = MakeTuningWindowFor(main);
      Show(wnd);
      release->store(false);
      if (wnd->StartMeasure()) {
        ok = PumpUntil([wnd] { return wnd->MeasureProgress() >= 50; }) && ok;
        // The window polls the progress: let it show.
        const auto shown = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
        PumpUntil([shown] { return std::chrono::steady_clock::now() > shown; });
        ok = Grab(wnd, dir, QStringLiteral("tune_measuring"), lang) && ok;
        release->store(true);
        ok = PumpUntil([wnd] { return !wnd->Measuring(); }) && ok;
        ok = Grab(wnd, dir, QStringLiteral("tune_measured"), lang) && ok;
      } else {
        ok = false;
      }
      for (bool none : {false, true}) {
        empty = none;
        if (CAudioWnd* audio = wnd->MakeAudioWindow()) {
          Show(audio);
          ok = Grab(audio, dir, none ? QStringLiteral("audio_none") : QStringLiteral("audio"), lang) && ok;
          audio->Close(ui::kResultCancel);
        } else {
          ok = false;
        }
      }
      empty = false;
      wnd->Close(ui::kResultCancel);
      QApplication::processEvents();
    }
    ok = PumpUntil([&m] { return !m.session().WorkerRunning(); }) && ok;
    main.CloseWithoutQuestion();
  }
  for (const auto& [name, old] : {std::pair{"XDG_DATA_HOME", oldData}, std::pair{"XDG_CONFIG_HOME", oldConfig}}) {
    if (old.isNull()) qunsetenv(name);
    else qputenv(name, old);
  }
  ui::SetModalAnswerer(std::move(previous));
  return ok;
}

}  // namespace vlm
