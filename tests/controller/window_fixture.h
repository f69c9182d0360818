#pragma once
// The real main window against the virtual amplifier: the link is open, the
// handshake done and the queue gate open, so that every edit's command
// reaches the amplifier. Waits are short; Flush() waits until everything
// queued before it has been taken by the amplifier.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <memory>

#include "app/application.h"
#include "app/main_wnd.h"
#include "app/single_instance.h"
#include "base/timing.h"
#include "device/commands_dsp_set.h"
#include "device/device_link.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "ui/language.h"
#include "ui/notification.h"

namespace vlm::test {

class MainWindowTest : public ::testing::Test {
 protected:
  // Short waits, a settings folder of the test's own, the skin, English and
  // a fresh virtual amplifier; no window yet.
  void PrepareEnvironment() {
    Timing& t = timing();
    t = Timing{};
    t.readTimeoutMs = 200;
    t.queueIdleSleepMs = 1;
    t.readPollSliceMs = 5;
    oldConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    ASSERT_TRUE(LoadSkin(QString()));
    ui::Language::Instance().Reset();
    amp_ = std::make_shared<sim::VirtualAmplifier>();
  }

  void SetUp() override {
    PrepareEnvironment();
    if (HasFatalFailure()) return;
    wnd_ = std::make_unique<CMainWnd>(std::make_unique<InstanceLock>(InstanceLockPath(locks_.path())),
                                      std::make_unique<sim::SimTransport>(amp_));
    wnd_->Create(QStringLiteral("XML_MAIN"));
    ASSERT_TRUE(wnd_->MissingControls().isEmpty()) << wnd_->MissingControls().join(' ').toStdString();
    ASSERT_TRUE(wnd_->Manager().OpenLinkWithoutReadBack());
  }
  void TearDown() override {
    wnd_.reset();
    amp_.reset();
    qputenv("XDG_CONFIG_HOME", oldConfig_);
    timing() = Timing{};
  }

  EqualizerManager& mgr() { return wnd_->Manager(); }
  SceneProfile& live() { return mgr().live(); }
  template <class T = QWidget>
  T* Find(const QString& name) {
    T* w = wnd_->FindControl<T>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }

  // The toolkit's notification from a control, as a user action raises it.
  void Send(QWidget* sender, const QString& type) { ui::SendNotify(sender, type); }
  void Type(const QString& edit, const QString& text, const QString& commit = ui::notify::kKillFocus) {
    auto* e = Find<QLineEdit>(edit);
    e->setText(text);
    Send(e, commit);
  }
  void Slide(const QString& slider, int value) {
    auto* s = Find<QSlider>(slider);
    s->setValue(value);
    Send(s, ui::notify::kValueChanged);
  }
  void Pick(const QString& combo, int index) {
    auto* c = Find<QComboBox>(combo);
    c->setCurrentIndex(index);
    emit c->activated(index);
  }
  void Click(const QString& button) { Find<QAbstractButton>(button)->click(); }
  QString Shown(const QString& name) {
    QWidget* w = Find(name);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return {};
  }
  QString Key(const QString& name) { return ui::RawText(Find(name)); }

  // Everything queued so far has reached the amplifier.
  void Flush() {
    const uint8_t token = ++token_;
    ASSERT_TRUE(Speaker_Config_Ctrl(mgr().link(), token, false));
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (amp_->Snapshot().speakerConfig != token) {
      ASSERT_LT(std::chrono::steady_clock::now(), until) << "the amplifier did not take the queue";
      QThread::msleep(1);
    }
  }
  sim::AmplifierState Amp() {
    Flush();
    return amp_->Snapshot();
  }
  const sim::OutputChannel& Out(const sim::AmplifierState& s, int ch) { return s.scenes[0].outputs[ch]; }
  // Frames of DSP command `command` the tool wrote since the trace began.
  int CountSent(uint8_t command) {
    Flush();
    int n = 0;
    const std::string trace = amp_->TraceText();
    char needle[32];
    std::snprintf(needle, sizeof needle, " 01 %02X BB", command);
    for (size_t at = 0; (at = trace.find("-> AA 55", at)) != std::string::npos; ++at) {
      const size_t end = trace.find('\n', at);
      const std::string line = trace.substr(at, end - at);
      if (line.size() >= 20 && line.compare(11, 9, needle) == 0) ++n;
    }
    return n;
  }
  void StartTrace() {
    Flush();
    amp_->EnableTrace(true);
    amp_->ClearTrace();
  }
  // Link mode with the partners the speaker positions give.
  void LinkDefaultPairs() {
    live().linkMode = 1;
    live().linkOutputs = {1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10};
  }

  QTemporaryDir config_;
  QTemporaryDir locks_;
  QByteArray oldConfig_;
  std::shared_ptr<sim::VirtualAmplifier> amp_;
  std::unique_ptr<CMainWnd> wnd_;
  uint8_t token_ = 0;
};

}  // namespace vlm::test
