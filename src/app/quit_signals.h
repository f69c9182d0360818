#pragma once
// SIGTERM and SIGINT (a logout, Ctrl+C in a terminal) end the program the way
// closing does, only without the question: the handler only writes a byte to
// a socket; the GUI thread reads it and runs the callback.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace vlm {

class QuitSignals : public QObject {
  Q_OBJECT
 public:
  // Installs the handlers; `onSignal` runs on the GUI thread. A second
  // signal while the first is handled ends the program at once.
  explicit QuitSignals(std::function<void(int signal)> onSignal);
  // Puts the previous handlers back.
  ~QuitSignals() override;
  bool Installed() const { return installed_; }

 private:
  std::function<void(int)> onSignal_;
  QSocketNotifier* notifier_ = nullptr;
  bool installed_ = false;
};

}  // namespace vlm
