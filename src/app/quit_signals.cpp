#include "app/quit_signals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace vlm {

namespace {

int g_fds[2] = {-1, -1};
volatile sig_atomic_t g_pending = 0;
struct sigaction g_oldTerm, g_oldInt;

void OnSignal(int signal) {
  if (g_pending) _exit(128 + signal);  // asked twice: the user means it
  g_pending = 1;
  const char byte = static_cast<char>(signal);
  const int saved = errno;
  if (write(g_fds[0], &byte, 1) < 0) _exit(128 + signal);
  errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
  if (g_fds[0] >= 0 || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0) return;
  notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char byte = 0;
    if (read(g_fds[1], &byte, 1) != 1) return;
    if (onSignal_) onSignal_(static_cast<int>(byte));
  });
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, &g_oldTerm);
  sigaction(SIGINT, &sa, &g_oldInt);
  installed_ = true;
}

QuitSignals::~QuitSignals() {
  if (!installed_) return;
  sigaction(SIGTERM, &g_oldTerm, nullptr);
  sigaction(SIGINT, &g_oldInt, nullptr);
  delete notifier_;
  close(g_fds[0]);
  close(g_fds[1]);
  g_fds[0] = g_fds[1] = -1;
  g_pending = 0;
}

}  // namespace vlm
