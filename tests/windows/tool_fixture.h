#pragma once
// The scene window and the mixer against the virtual amplifier: a link over
// a simulated transport, the device session on it, the GUI's event sink, the
// skin and languages, short waits; modal windows answered by a script.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QThread>
#include <chrono>
#include <functional>
#include <memory>

#include "app/gui_event_sink.h"
#include "base/timing.h"
#include "device/commands_dsp_set.h"
#include "device/commands_mcu.h"
#include "device/device_link.h"
#include "model/model_constants.h"
#include "model/settings_store.h"
#include "session/device_session.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "support/modal_answer.h"
#include "ui/language.h"
#include "ui/skin.h"

namespace vlm::test {

// The built-in skin with the English texts registered: what every tool
// window suite loads once.
inline void LoadBuiltInSkinInEnglish() {
  ui::Skin::Instance().SetRoot(ui::Skin::BuiltInRoot());
  ui::Skin::Instance().LoadIndex();
  ui::Language::Instance().Register(QStringLiteral("en"), QStringLiteral("lan/lan_en.xml"));
}

class ToolWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { LoadBuiltInSkinInEnglish(); }
  void SetUp() override {
    ui::Language::Instance().Select(QStringLiteral("en"));
    Timing& t = timing();
    t = Timing{};
    t.readTimeoutMs = 200;
    t.sceneReadTimeoutMs = 200;
    t.shortReadTimeoutMs = 100;
    t.quickReadTimeoutMs = 100;
    t.readBackSettleMs = 1;
    t.queueIdleSleepMs = 1;
    t.readErrorPauseMs = 2;
    t.readPollSliceMs = 5;
    amp_ = std::make_shared<sim::VirtualAmplifier>();
    link_ = std::make_unique<DeviceLink>(std::make_unique<sim::SimTransport>(amp_));
    link_->SetLinkSettings(static_cast<uint8_t>(kModelNumber), kOutputChannels, kInputChannels, false, false);
    session_ = std::make_unique<DeviceSession>(*link_, &sink_);
    ASSERT_TRUE(session_->OpenDevice().ok());
    ASSERT_TRUE(session_->Handshake(store_).ok());
    link_->SetQueueGate(true);
  }
  void TearDown() override {
    session_->WaitForWorker();
    session_.reset();
    link_.reset();
    timing() = Timing{};
  }

  // Runs the event loop until `done` holds (or fails after 5 s).
  static bool PumpUntil(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      QThread::msleep(1);
    }
    return true;
  }
  // Everything queued so far has reached the amplifier.
  void Flush() {
    const uint8_t token = ++token_;
    ASSERT_TRUE(Speaker_Config_Ctrl(*link_, token, false));
    ASSERT_TRUE(PumpUntil([&] { return amp_->Snapshot().speakerConfig == token; }))
        << "the amplifier did not take the queue";
  }
  sim::AmplifierState Amp() {
    Flush();
    return amp_->Snapshot();
  }
  static QString Resolved(const char* key) { return ui::Language::Instance().Text(QString::fromLatin1(key)); }

  std::shared_ptr<sim::VirtualAmplifier> amp_;
  std::unique_ptr<DeviceLink> link_;
  GuiEventSink sink_;
  std::unique_ptr<DeviceSession> session_;
  SettingsStore store_;
  uint8_t token_ = 0;
};

}  // namespace vlm::test
