#include "tests/cli/TvqProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "tests/support/Files.h"

extern char** environ;

namespace clitest {
namespace {

// NAME=value texts: this process's environment with tvq's private settings folder and the test's changes.
std::vector<std::string> EnvironmentFor(const std::string& configHome,
                                        const std::map<std::string, std::string>& environment) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    const std::size_t equals = text.find('=');
    if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  variables["XDG_CONFIG_HOME"] = configHome;
  variables["TARVELQUIST_LOCALE"] = "ja_JP";
  variables.erase("TARVELQUIST_ACP");
  for (const auto& [name, value] : environment) {
    if (value.empty()) {
      variables.erase(name);
    } else {
      variables[name] = value;
    }
  }
  std::vector<std::string> texts;
  for (const auto& [name, value] : variables) texts.push_back(name + "=" + value);
  return texts;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Starts tvq with the prepared descriptors; returns its process id.
pid_t Spawn(posix_spawn_file_actions_t& actions, const std::vector<std::string>& args,
            std::vector<std::string> envText) {
  std::vector<std::string> argText{TVQ_BINARY};
  argText.insert(argText.end(), args.begin(), args.end());
  std::vector<char*> argv = Pointers(argText);
  std::vector<char*> envp = Pointers(envText);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, TVQ_BINARY, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error(std::string("cannot start tvq: ") + std::strerror(failed));
  return pid;
}

// Waits for tvq and returns its status as a shell would. A tvq that hangs (on a FIFO, say) is killed after a
// minute, so it fails its test instead of the whole run.
int Wait(pid_t pid) {
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (true) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Standard input from `input`, the outputs into files of `io`.
pid_t SpawnWithFiles(const tvqtest::TempDir& io, const std::vector<std::string>& args, const std::string& input,
                     const std::map<std::string, std::string>& environment) {
  const std::string inPath = io.File("in");
  tvqtest::WriteText(inPath, input);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, io.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, io.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  return Spawn(actions, args, EnvironmentFor(io.File("config"), environment));
}

TvqResult Collect(const tvqtest::TempDir& io, pid_t pid) {
  TvqResult result;
  result.exitCode = Wait(pid);
  result.out = tvqtest::ReadText(io.File("out"));
  result.err = tvqtest::ReadText(io.File("err"));
  return result;
}

}  // namespace

TvqResult RunTvq(const std::vector<std::string>& args, const std::string& input,
                 const std::map<std::string, std::string>& environment) {
  tvqtest::TempDir io;
  return Collect(io, SpawnWithFiles(io, args, input, environment));
}

TvqResult RunTvqOnTerminal(const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& environment) {
  tvqtest::TempDir io;
  const std::string errPath = io.File("err");
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) throw std::runtime_error("no pseudo-terminal");
  const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) throw std::runtime_error("cannot open the pseudo-terminal");
  // Raw: the bytes tvq writes arrive as they are, without the line discipline's LF to CR LF.
  termios mode{};
  ::tcgetattr(slave, &mode);
  ::cfmakeraw(&mode);
  ::tcsetattr(slave, TCSANOW, &mode);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, slave, 1);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const pid_t pid = Spawn(actions, args, EnvironmentFor(io.File("config"), environment));
  TvqResult result;
  // Read while tvq writes (a terminal holds only a few kilobytes) until its end of the terminal is closed.
  ::close(slave);
  char chunk[4096];
  while (true) {
    const ssize_t got = ::read(master, chunk, sizeof chunk);
    if (got > 0) {
      result.out.append(chunk, static_cast<std::size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once every descriptor of the other end is closed
    }
  }
  result.exitCode = Wait(pid);
  ::close(master);
  result.err = tvqtest::ReadText(errPath);
  return result;
}

struct TvqRun::State {
  tvqtest::TempDir io;
  pid_t pid = 0;
  bool waited = false;
};

TvqRun::TvqRun(const std::vector<std::string>& args) : m_state(std::make_unique<State>()) {
  m_state->pid = SpawnWithFiles(m_state->io, args, {}, {});
}

TvqRun::~TvqRun() {
  if (!m_state->waited) Wait();
}

TvqResult TvqRun::Wait() {
  m_state->waited = true;
  return Collect(m_state->io, m_state->pid);
}

}  // namespace clitest
