#pragma once
// A window built from a skin layout: controls found by name, user actions
// delivered as notifications, posted messages handled on the GUI thread,
// modal runs that return a result, a DPI value that scales the layout.
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>

#include "ui/notification.h"
#include "ui/window_message.h"

class QEventLoop;

namespace vlm::ui {

// What a modal window returns: 0 cancel or close, 1 confirm, 2 third choice.
using ModalResult = int;
inline constexpr ModalResult kResultCancel = 0;
inline constexpr ModalResult kResultConfirm = 1;
inline constexpr ModalResult kResultThird = 2;

class NotifyHub;

class UIWindow : public QWidget {
  Q_OBJECT

 public:
  enum class Kind { Main, Tool };
  UIWindow(const QString& className, const QString& creationName, QWidget* parent = nullptr,
           Kind kind = Kind::Tool);
  ~UIWindow() override;

  // Builds the window from a layout id of the skin index, then runs
  // InitWindow(). Without a skin or layout the window stays empty (and
  // InitWindow still runs, finding no controls). Returns whether a layout
  // was loaded.
  bool Create(const QString& layoutId);

  QString ClassName() const { return className_; }
  QString CreationName() const { return creationName_; }
  WindowHandle Handle() const { return handle_; }

  // The control named exactly `name` of type T, or nullptr.
  template <class T = QWidget>
  T* FindControl(const QString& name) const {
    return findChild<T*>(name);
  }

  // Display scale: the DPI value chosen for the window, the scale in percent
  // it gives and the layout's size at 100 %.
  void SetDpi(int dpi);
  int Dpi() const { return dpi_; }
  int ScalePercent() const { return scale_; }
  QSize InitialSize() const { return initialSize_; }
  // Scales a length of the layout (at 100 %) to the window's scale.
  int Scaled(int px) const;

  void CenterWindow();

  // Runs the window modally until it is closed and returns its result. When
  // a modal answerer is installed (tests) it is called instead of entering an
  // event loop; a window the answerer leaves open is closed with 0.
  ModalResult ShowModal();
  // Closes with a result; the window deletes itself afterwards unless told
  // otherwise.
  void Close(ModalResult result = kResultCancel);
  bool IsClosed() const;
  void SetDeleteOnClose(bool on) { deleteOnClose_ = on; }

  // Dispatches a notification to Notify() (used by the control wiring and by
  // SendNotify()).
  void DeliverNotify(Notification& n);

 signals:
  void Closed(int result);

 protected:
  virtual void InitWindow() {}
  // A window may refuse to close for a while (an upgrade transfer runs):
  // Close(), the window system's close and Escape all then do nothing.
  virtual bool CanClose() const { return true; }
  virtual void Notify(Notification& n) { (void)n; }
  // Returns true when the message was handled.
  virtual bool HandleMessage(WindowMessage& msg) {
    (void)msg;
    return false;
  }
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  struct ModalState {
    ModalResult result = kResultCancel;
    bool closed = false;
    QEventLoop* loop = nullptr;
  };
  void ApplyScale();
  void ApplyImages();
  void WireCaptions();

  QString className_;
  QString creationName_;
  WindowHandle handle_ = 0;
  QWidget* content_ = nullptr;
  NotifyHub* hub_ = nullptr;
  QSize initialSize_;
  int dpi_ = 96;
  int scale_ = 100;
  bool deleteOnClose_ = true;
  std::shared_ptr<ModalState> state_ = std::make_shared<ModalState>();
  QPoint dragOffset_;
  bool dragging_ = false;
  bool destroying_ = false;
};

// Test hook: when set, ShowModal() calls it with the window instead of
// running an event loop. Returns the previous answerer.
using ModalAnswerer = std::function<void(UIWindow&)>;
ModalAnswerer SetModalAnswerer(ModalAnswerer answerer);

// Every live window of the process, in creation order.
QList<UIWindow*> AllWindows();

// Closes, with result 0, the first window named "MsgWnd" (its creation name,
// any case) and every window whose title is the resolved "${tips}". Returns
// how many windows were closed. Used when the amplifier is plugged in or out.
int CloseMessageWindows();

}  // namespace vlm::ui
