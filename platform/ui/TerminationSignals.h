// The termination signals (SIGTERM, SIGINT, SIGHUP) turned into a call on the event loop: while the object
// lives, each of them calls its handler there, where a handler may do anything (close windows, save), instead of
// ending the process. The signal handler itself only writes a byte to a socket pair the loop watches.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

class CTerminationSignals {
 public:
  // One at a time: the signals have one disposition per process.
  explicit CTerminationSignals(std::function<void()> onSignal);
  ~CTerminationSignals();  // the signals' default disposition again
  CTerminationSignals(const CTerminationSignals&) = delete;
  CTerminationSignals& operator=(const CTerminationSignals&) = delete;

 private:
  std::unique_ptr<QSocketNotifier> m_notifier;
};
