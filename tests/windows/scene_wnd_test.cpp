// The scene window against the virtual amplifier: saving into empty and used
// slots, the duplicate-name check, deleting, loading with the read-back, and
// names in the three code pages.
#include <QListWidget>
#include <QPushButton>
#include <deque>

#include "model/scene_name_codec.h"
#include "tool_fixture.h"
#include "windows/scene_wnd.h"

namespace vlm::test {
namespace {

class SceneWindowTest : public ToolWindowTest {
 protected:
  // How the modal windows the scene window opens are answered.
  struct Script {
    std::deque<int> answers;  // questions, in order; 1 when none is left
    QString name;             // typed into the name entry
    bool cancelName = false;
    std::vector<QString> shown;  // every message box's text
    int loadings = 0;
    int loadingsClosed = 0;
    QString rowAtLoading;  // the list row of the scene being worked on, when the loading window came
  };

  void SetUp() override {
    ToolWindowTest::SetUp();
    answer_ = std::make_unique<Answer>([this](ui::UIWindow& w) { Respond(w); });
  }
  void TearDown() override {
    wnd_.reset();
    answer_.reset();
    ToolWindowTest::TearDown();
  }

  void Respond(ui::UIWindow& w) {
    if (w.ClassName() == QLatin1String("NameMsgWnd")) {
      if (script_.cancelName) return;  // left open: closed with 0
      w.FindControl<QLineEdit>(QStringLiteral("name_edt"))->setText(script_.name);
      w.FindControl<QPushButton>(QStringLiteral("confirm_btn"))->click();
    } else if (w.ClassName() == QLatin1String("LoadingWnd")) {
      ++script_.loadings;
      script_.rowAtLoading = wnd_ ? wnd_->RowText(row_) : QString();
      // The loading window stays until the work ends (1275).
      QPointer<ui::UIWindow> self(&w);
      EXPECT_TRUE(PumpUntil([&] { return !self || self->IsClosed(); })) << "the loading window stayed";
      ++script_.loadingsClosed;
    } else {
      script_.shown.push_back(w.FindControl<QLabel>(QStringLiteral("MessageText"))->text());
      int a = 1;
      if (!script_.answers.empty()) {
        a = script_.answers.front();
        script_.answers.pop_front();
      }
      w.Close(a);
    }
  }

  void Open(SceneMode mode) {
    if (wnd_ && !wnd_->IsClosed()) wnd_->Close(0);
    SceneWindowHost host;
    host.store = &store_;
    host.session = session_.get();
    host.page = page_;
    host.setSceneReceiver = [this](ui::WindowHandle h) {
      sink_.SetReceiver(Receiver::SceneWindow, h);
      link_->SetReceiver(Receiver::SceneWindow, h != 0);
    };
    host.settingsReplaced = [this] { ++replaced_; };
    wnd_ = std::make_unique<CSceneWnd>(nullptr, mode, host);
    wnd_->SetDeleteOnClose(false);
    ASSERT_TRUE(wnd_->Create(QStringLiteral("XML_SENCE_PROFILE")));
  }
  // Picks row r and presses the confirm button, then lets the work end.
  void Choose(int row) {
    row_ = row;
    wnd_->List()->setCurrentRow(row);
    wnd_->FindControl<QPushButton>(QStringLiteral("confirm_btn"))->click();
    Settle();
  }
  void Settle() {
    ASSERT_TRUE(PumpUntil([&] { return !session_->WorkerRunning() && script_.loadings == script_.loadingsClosed; }));
    QCoreApplication::processEvents();
  }
  // Puts a named scene into the amplifier and into the window's slots.
  void Stored(int scene, const std::u16string& name) {
    const EncodedSceneName e = EncodeSceneName(name, page_);
    ASSERT_TRUE(e.ok) << e.error;
    ASSERT_TRUE(session_->SaveScene(scene, e.bytes).ok());
    store_.setSceneNameBytes(scene, e.bytes);
  }
  // Slot `scene` as the window's language shows it.
  std::u16string Name(int scene) const { return store_.sceneName(scene, page_); }
  std::u16string AmpName(int scene, SceneNameCodePage page = SceneNameCodePage::Western) {
    const auto bytes = amp_->Snapshot().sceneNames[static_cast<size_t>(scene - 1)];
    return DecodeSceneName(bytes, page);
  }

  std::unique_ptr<Answer> answer_;
  SceneNameCodePage page_ = SceneNameCodePage::Western;  // the interface language's
  std::unique_ptr<CSceneWnd> wnd_;
  Script script_;
  int row_ = -1;
  int replaced_ = 0;
};

TEST_F(SceneWindowTest, ModeTextsAndTenRowsFromTheSlots) {
  store_.setSceneName(1, u"Club", page_);
  store_.setSceneName(10, u"Last", page_);
  const char* titles[] = {"load_scene", "save_as_scene", "delete_scene"};
  const char* confirms[] = {"load", "save", "delete"};
  for (int m = 0; m < 3; ++m) {
    Open(static_cast<SceneMode>(m));
    EXPECT_EQ(wnd_->FindControl<QLabel>(QStringLiteral("MessageTitle"))->text(), Resolved(titles[m]));
    EXPECT_EQ(wnd_->FindControl<QPushButton>(QStringLiteral("confirm_btn"))->text(), Resolved(confirms[m]));
    EXPECT_EQ(wnd_->FindControl<QPushButton>(QStringLiteral("cancel_btn"))->text(), Resolved("exit"));
    ASSERT_EQ(wnd_->List()->count(), kStoredScenes);
    EXPECT_EQ(wnd_->RowText(0), QStringLiteral("Club"));
    EXPECT_EQ(wnd_->RowText(1), Resolved("scene_empty"));
    EXPECT_EQ(wnd_->RowText(9), QStringLiteral("Last"));
    // An empty slot is offered only for a save.
    const bool offered = (wnd_->List()->item(1)->flags() & Qt::ItemIsSelectable) != 0;
    EXPECT_EQ(offered, m == static_cast<int>(SceneMode::Save));
    // The window receives the scene replies while it is open, and only then.
    EXPECT_EQ(sink_.ReceiverWindow(Receiver::SceneWindow), wnd_->Handle());
    EXPECT_TRUE(link_->ReceiverSet(Receiver::SceneWindow));
    wnd_->Close(0);
    EXPECT_EQ(sink_.ReceiverWindow(Receiver::SceneWindow), 0u);
    EXPECT_FALSE(link_->ReceiverSet(Receiver::SceneWindow));
  }
}

TEST_F(SceneWindowTest, SaveIntoAnEmptySlotThenOverwriteOnlyWhenConfirmed) {
  Open(SceneMode::Save);
  // No row chosen: nothing happens.
  Choose(-1);
  EXPECT_TRUE(script_.shown.empty());

  // Scene 3 is unnamed: straight to the name entry, then the acknowledgement.
  script_.name = QStringLiteral("Club");
  Choose(2);
  EXPECT_EQ(AmpName(3), u"Club");
  EXPECT_EQ(Name(3), u"Club");
  EXPECT_EQ(wnd_->RowText(2), QStringLiteral("Club"));
  ASSERT_EQ(script_.shown.size(), 1u);
  EXPECT_EQ(script_.shown[0], Resolved("save_scene_ok"));
  EXPECT_EQ(script_.loadings, 1);

  // Scene 3 holds a name now: the overwrite question first; declined, nothing is sent.
  script_ = {};
  script_.answers = {0};
  script_.name = QStringLiteral("Bar");
  const uint64_t before = amp_->counters().reportsReceived;
  Choose(2);
  ASSERT_EQ(script_.shown.size(), 1u);
  EXPECT_TRUE(script_.shown[0].contains(QStringLiteral("3"))) << script_.shown[0].toStdString();
  EXPECT_EQ(amp_->counters().reportsReceived, before);
  EXPECT_EQ(AmpName(3), u"Club");

  // Confirmed: the new name goes in; cancelling the name entry sends nothing either.
  script_ = {};
  script_.name = QStringLiteral("Bar");
  Choose(2);
  EXPECT_EQ(AmpName(3), u"Bar");
  EXPECT_EQ(wnd_->RowText(2), QStringLiteral("Bar"));
  script_ = {};
  script_.cancelName = true;
  Choose(2);
  EXPECT_EQ(AmpName(3), u"Bar");
  EXPECT_EQ(script_.loadings, 0);
}

TEST_F(SceneWindowTest, DuplicateNameWarnsSendsNothingAndKeepsTheSlot) {
  Stored(4, u"Jazz");
  Stored(2, u"Rock");
  Open(SceneMode::Save);
  script_.name = QStringLiteral("Jazz");
  const uint64_t before = amp_->counters().reportsReceived;
  Choose(1);
  ASSERT_EQ(script_.shown.size(), 2u);  // the overwrite question, then the warning
  EXPECT_EQ(script_.shown[1], Resolved("same_name_tips")
                                  .replace(QStringLiteral("%s"), QStringLiteral("Jazz"))
                                  .replace(QStringLiteral("%d"), QStringLiteral("4")));
  EXPECT_EQ(amp_->counters().reportsReceived, before);
  EXPECT_EQ(script_.loadings, 0);
  // The amplifier still holds "Rock" in scene 2, and so does the window: the
  // next save into it asks the overwrite question again.
  EXPECT_EQ(Name(2), u"Rock");
  EXPECT_EQ(wnd_->RowText(1), QStringLiteral("Rock"));
  script_ = {};
  script_.answers = {0};
  Choose(1);
  EXPECT_EQ(script_.shown.size(), 1u);

  // An empty name would read back as an empty slot: refused, nothing sent.
  store_.clearSceneName(5);
  script_ = {};
  script_.name = QString();
  Choose(4);
  ASSERT_EQ(script_.shown.size(), 1u);
  EXPECT_EQ(script_.shown[0], Resolved("scene_name_invalid"));
  EXPECT_EQ(script_.loadings, 0);
  EXPECT_EQ(AmpName(2), u"Rock");
}

TEST_F(SceneWindowTest, DeleteAsksThenConfirmsAndEmptySlotsCannotBeChosen) {
  Stored(10, u"Old");
  Open(SceneMode::Delete);
  // Declined: nothing is sent.
  script_.answers = {0};
  const uint64_t before = amp_->counters().reportsReceived;
  Choose(9);
  ASSERT_EQ(script_.shown.size(), 1u);
  EXPECT_TRUE(script_.shown[0].contains(QStringLiteral("Old")));
  EXPECT_TRUE(script_.shown[0].contains(QStringLiteral("10")));
  EXPECT_EQ(amp_->counters().reportsReceived, before);
  EXPECT_EQ(AmpName(10), u"Old");
  // A double click asks too; confirmed, the amplifier's acknowledgement is told.
  script_ = {};
  row_ = 9;
  wnd_->List()->setCurrentRow(9);
  emit wnd_->List()->doubleClicked(wnd_->List()->model()->index(9, 0));
  Settle();
  ASSERT_EQ(script_.shown.size(), 2u);
  EXPECT_EQ(script_.shown[1], Resolved("delete_scene_ok"));
  EXPECT_EQ(script_.loadings, 1);
  EXPECT_EQ(script_.rowAtLoading, Resolved("scene_empty"));  // cleared before the acknowledgement
  EXPECT_EQ(AmpName(10), u"");
  EXPECT_EQ(Name(10), u"");
  // Now empty: it can be neither chosen nor deleted.
  EXPECT_EQ(wnd_->List()->item(9)->flags(), Qt::NoItemFlags);
  script_ = {};
  Choose(9);
  EXPECT_TRUE(script_.shown.empty());
  EXPECT_EQ(script_.loadings, 0);
}

TEST_F(SceneWindowTest, LoadAsksWithTheNameAndTakesTheReadBack) {
  // Scene 5 holds other live settings than the amplifier plays now.
  amp_->WithState([](sim::AmplifierState& s) { s.scenes[0].outputs[4].delayMicros = 2500; });
  Stored(5, u"Stage");
  amp_->WithState([](sim::AmplifierState& s) { s.scenes[0].outputs[4].delayMicros = 0; });
  Open(SceneMode::Load);

  script_.answers = {0};  // declined: nothing is read
  Choose(4);
  ASSERT_EQ(script_.shown.size(), 1u);
  EXPECT_TRUE(script_.shown[0].contains(QStringLiteral("Stage")));
  EXPECT_EQ(replaced_, 0);

  script_ = {};
  Choose(4);
  EXPECT_EQ(replaced_, 1);
  EXPECT_FLOAT_EQ(store_.live().channels[4].delay, 2.5f);
  EXPECT_EQ(Name(5), u"Stage");
  EXPECT_EQ(script_.loadings, 1);

  // A slot whose name reads back empty cannot be loaded: nothing is asked.
  script_ = {};
  Choose(6);
  EXPECT_TRUE(script_.shown.empty());
  EXPECT_EQ(script_.loadings, 0);
}

TEST_F(SceneWindowTest, NamesAreWrittenAndShownInTheLanguagesCodePage) {
  const std::pair<SceneNameCodePage, QString> names[] = {{SceneNameCodePage::Western, QStringLiteral("Café")},
                                                         {SceneNameCodePage::Chinese, QStringLiteral("夜店音乐")},
                                                         {SceneNameCodePage::Cyrillic, QStringLiteral("Клуб")}};
  // The session's own code page stays Western: the window writes the bytes.
  int scene = 1;
  for (const auto& [page, name] : names) {
    page_ = page;
    Open(SceneMode::Save);
    script_ = {};
    script_.name = name;
    Choose(scene - 1);
    EXPECT_EQ(QString::fromStdU16String(AmpName(scene, page)), name);
    EXPECT_EQ(wnd_->RowText(scene - 1), name);
    SettingsStore back;
    ASSERT_TRUE(session_->ReadBack(back).ok());
    EXPECT_EQ(back.sceneNameBytes(scene), store_.sceneNameBytes(scene));
    EXPECT_EQ(QString::fromStdU16String(back.sceneName(scene, page)), name);
    ++scene;
  }
  // The same bytes shown under another language are decoded again, in its
  // code page, and read right once more under their own.
  page_ = SceneNameCodePage::Cyrillic;
  Open(SceneMode::Load);
  EXPECT_EQ(wnd_->RowText(1), QString::fromStdU16String(DecodeSceneName(store_.sceneNameBytes(2), page_)));
  EXPECT_NE(wnd_->RowText(1), QStringLiteral("夜店音乐"));
  page_ = SceneNameCodePage::Chinese;
  Open(SceneMode::Load);
  EXPECT_EQ(wnd_->RowText(1), QStringLiteral("夜店音乐"));
}

TEST_F(SceneWindowTest, NamesTheCodePageCannotHoldAreRefusedNamingTheCharacters) {
  page_ = SceneNameCodePage::Cyrillic;
  Stored(6, u"Клуб");
  Open(SceneMode::Save);
  script_.name = QStringLiteral("夜a店夜");
  const uint64_t before = amp_->counters().reportsReceived;
  Choose(5);
  ASSERT_EQ(script_.shown.size(), 2u);  // the overwrite question, then the refusal
  EXPECT_EQ(script_.shown[1], Resolved("scene_name_unwritable").replace(QStringLiteral("%s"), QStringLiteral("夜店")));
  EXPECT_EQ(amp_->counters().reportsReceived, before);
  EXPECT_EQ(script_.loadings, 0);
  EXPECT_EQ(Name(6), u"Клуб");
  EXPECT_EQ(wnd_->RowText(5), QStringLiteral("Клуб"));
}

TEST_F(SceneWindowTest, SaveWithoutAcknowledgementOrRefusedKeepsTheOldName) {
  Stored(7, u"Keep");
  Open(SceneMode::Save);
  // The amplifier does not answer: the loading window still goes, the slot
  // shows what the amplifier holds.
  amp_->DropNextReplies(4);
  script_.name = QStringLiteral("New");
  Choose(6);
  EXPECT_EQ(Name(7), u"Keep");
  EXPECT_EQ(wnd_->RowText(6), QStringLiteral("Keep"));
  EXPECT_EQ(script_.loadings, 1);

  script_ = {};
  link_->CloseHIDDevice(false);  // the worker is refused: not connected
  script_.name = QStringLiteral("New");
  Choose(6);
  EXPECT_EQ(Name(7), u"Keep");
  EXPECT_EQ(wnd_->RowText(6), QStringLiteral("Keep"));
  ASSERT_EQ(script_.shown.size(), 2u);  // overwrite question, then the failure
  EXPECT_EQ(script_.shown[1], Resolved("device_connect_fail"));
}

}  // namespace
}  // namespace vlm::test
