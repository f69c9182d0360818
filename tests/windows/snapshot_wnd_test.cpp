// The snapshot window against the virtual amplifier: the list newest first,
// a declined question sending nothing, a restore that gives the amplifier the
// chosen snapshot's settings with its progress and result, and a stop
// part-way that hands over to a read-back.
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <deque>

#include "device/messages.h"
#include "session/full_state.h"
#include "snapshot/snapshot_store.h"
#include "tool_fixture.h"
#include "windows/snapshot_wnd.h"

namespace vlm::test {
namespace {

class SnapshotWindowTest : public ToolWindowTest {
 protected:
  void SetUp() override {
    ToolWindowTest::SetUp();
    snapshots_ = std::make_unique<SnapshotStore>(folder_.filePath(QStringLiteral("snapshots")).toStdString());
    session_->SetSnapshotStore(snapshots_.get());
    answer_ = std::make_unique<Answer>([this](ui::UIWindow& w) {
      shown_.push_back(w.FindControl<QLabel>(QStringLiteral("MessageText"))->text());
      int a = 1;
      if (!answers_.empty()) {
        a = answers_.front();
        answers_.pop_front();
      }
      w.Close(a);
    });
  }
  void TearDown() override {
    wnd_.reset();
    answer_.reset();
    ToolWindowTest::TearDown();
  }

  // The amplifier's settings read back and kept as a snapshot.
  void KeepAmplifierState() {
    ASSERT_TRUE(session_->ReadBack(store_).ok());
    ASSERT_EQ(session_->KeepSnapshot(store_.live(), SnapshotTrigger::Connected).status,
              SnapshotSaveResult::Status::Written);
  }
  void Open() {
    SnapshotWindowHost host;
    host.snapshots = snapshots_.get();
    host.session = session_.get();
    host.store = &store_;
    host.connected = [this] { return link_->IsConnected(); };
    host.setReceiver = [this](ui::WindowHandle h) { sink_.SetReceiver(Receiver::ToolWindow, h); };
    host.settingsReplaced = [this] { ++replaced_; };
    host.liveSettingsUnknown = [this] { ++readBacks_; };
    wnd_ = std::make_unique<CSnapshotWnd>(nullptr, host);
    wnd_->SetDeleteOnClose(false);
    ASSERT_TRUE(wnd_->Create(QStringLiteral("XML_SNAPSHOTS")));
  }
  void Choose(int row) {
    wnd_->List()->setCurrentRow(row);
    wnd_->FindControl<QPushButton>(QStringLiteral("confirm_btn"))->click();
  }

  QTemporaryDir folder_;
  std::unique_ptr<SnapshotStore> snapshots_;
  std::unique_ptr<Answer> answer_;
  std::deque<int> answers_;
  std::vector<QString> shown_;
  std::unique_ptr<CSnapshotWnd> wnd_;
  int replaced_ = 0;
  int readBacks_ = 0;
};

TEST_F(SnapshotWindowTest, RestoresTheChosenSnapshotAfterTheQuestion) {
  amp_->WithState([](sim::AmplifierState& s) {
    s.scenes[0].source = 0x55;
    s.scenes[0].subVolume = 9;
    s.scenes[0].outputs[3].eq[5] = {1250, 340, 22, 5};
    s.acc = 60;
  });
  KeepAmplifierState();
  const sim::AmplifierState older = amp_->Snapshot();
  // Later, the amplifier holds other settings.
  amp_->WithState([](sim::AmplifierState& s) {
    s.scenes[0] = sim::FactoryScene();
    s.acc = 0;
  });
  ASSERT_TRUE(session_->ReadBack(store_).ok());
  snapshots_->Save({kSnapshotVersion, kModelNumber, "VLM2460-000078", "16.19", SnapshotTrigger::SceneLoad, {}},
                   store_.live());

  Open();
  ASSERT_EQ(wnd_->List()->count(), 2);
  EXPECT_TRUE(wnd_->RowText(0).contains(Resolved("snapshot_trigger_scene_load"))) << wnd_->RowText(0).toStdString();
  EXPECT_TRUE(wnd_->RowText(1).contains(QStringLiteral("|VLM2460-000078|16.19"))) << wnd_->RowText(1).toStdString();

  // Declined: nothing is sent.
  amp_->EnableTrace(true);
  answers_ = {0};
  Choose(1);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_TRUE(shown_[0].contains(QStringLiteral("VLM2460-000078")));
  EXPECT_FALSE(wnd_->Restoring());
  EXPECT_EQ(amp_->TraceText(), "");

  answers_ = {1};
  Choose(1);
  EXPECT_TRUE(wnd_->Restoring());
  ASSERT_TRUE(PumpUntil([&] { return !wnd_->Restoring(); }));
  EXPECT_EQ(wnd_->StatusText(), Resolved("snapshot_restored"));
  EXPECT_EQ(wnd_->FindControl<QProgressBar>(QStringLiteral("progress"))->isVisible(), false);
  EXPECT_EQ(replaced_, 1);
  const sim::AmplifierState now = Amp();
  EXPECT_EQ(now.scenes[0].source, 0x55);
  EXPECT_EQ(now.scenes[0].subVolume, 9);
  EXPECT_EQ(now.acc, 60);
  EXPECT_EQ(now.scenes[0].outputs[3].eq[5].freq, older.scenes[0].outputs[3].eq[5].freq);
  EXPECT_EQ(now.scenes[0].outputs[3].eq[5].qHundredths, older.scenes[0].outputs[3].eq[5].qHundredths);
  EXPECT_EQ(now.scenes[0].outputs[3].eq[5].gainInt, older.scenes[0].outputs[3].eq[5].gainInt);
  // The window's settings are the snapshot's, its identity kept.
  EXPECT_EQ(store_.live().source, 4);
  EXPECT_EQ(store_.live().acc, 60);
  EXPECT_EQ(store_.live().handshakeModel, kModelNumber);
  // The settings before the restore were the newest snapshot's already: none added.
  EXPECT_EQ(wnd_->List()->count(), 2);
  EXPECT_EQ(shown_.size(), 2u) << "a restore that went through is told in the window, not in a box";

  // Edited since: the restore keeps them first.
  store_.live().mainVolume = 31;
  answers_ = {1};
  Choose(0);
  ASSERT_TRUE(PumpUntil([&] { return !wnd_->Restoring(); }));
  ASSERT_EQ(wnd_->List()->count(), 3);
  EXPECT_TRUE(wnd_->RowText(0).contains(Resolved("snapshot_trigger_restore")));
}

TEST_F(SnapshotWindowTest, StopEndsTheRestorePartWayAndTheSettingsAreReadBack) {
  KeepAmplifierState();
  Open();
  ASSERT_EQ(wnd_->List()->count(), 1);
  // At USB-like timing the restore takes long enough to be stopped.
  amp_->SetReportLatency(std::chrono::milliseconds(2));
  answers_ = {1, 1};
  Choose(0);
  ASSERT_TRUE(wnd_->Restoring());
  ASSERT_TRUE(PumpUntil([&] { return wnd_->FindControl<QProgressBar>(QStringLiteral("progress"))->value() > 0; }));
  EXPECT_EQ(wnd_->FindControl<QPushButton>(QStringLiteral("cancel_btn"))->text(), Resolved("snapshot_stop"));
  wnd_->FindControl<QPushButton>(QStringLiteral("cancel_btn"))->click();
  EXPECT_FALSE(wnd_->IsClosed()) << "the window waits for the worker";
  ASSERT_TRUE(PumpUntil([&] { return wnd_->IsClosed(); }));
  session_->WaitForWorker();
  EXPECT_EQ(session_->LastWorkerResult().status, SessionStatus::Cancelled);
  EXPECT_LT(wnd_->FindControl<QProgressBar>(QStringLiteral("progress"))->value(),
            static_cast<int>(FullStatePlan(store_.live()).size()));
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(shown_[1], Resolved("snapshot_restore_cancelled"));
  EXPECT_EQ(readBacks_, 1);
  EXPECT_EQ(replaced_, 0);
}

}  // namespace
}  // namespace vlm::test
