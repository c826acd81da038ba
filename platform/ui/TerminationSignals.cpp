// SIGTERM, SIGINT and SIGHUP delivered to the event loop through a socket pair.
#include "platform/ui/TerminationSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <csignal>

#include <QSocketNotifier>

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// The handler only writes to the pipe; the loop does the rest.
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

}  // namespace

CTerminationSignals::CTerminationSignals(std::function<void()> onSignal) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
  m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
  QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                   [onSignal = std::move(onSignal)] {
                     char byte = 0;
                     if (::read(g_signalPipe[0], &byte, 1) == 1) onSignal();
                   });
  struct sigaction action {};
  action.sa_handler = &OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

CTerminationSignals::~CTerminationSignals() {
  for (const int signal : kSignals) ::signal(signal, SIG_DFL);
  m_notifier.reset();
  for (int& fd : g_signalPipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}
