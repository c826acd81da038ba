#include "tests/cli/TvqProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

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

// Starts tvq with the prepared descriptors and waits for it; returns its status as a shell would.
int SpawnAndWait(posix_spawn_file_actions_t& actions, const std::vector<std::string>& args,
                 std::vector<std::string> envText, const std::function<void()>& whileRunning = {}) {
  std::vector<std::string> argText{TVQ_BINARY};
  argText.insert(argText.end(), args.begin(), args.end());
  std::vector<char*> argv = Pointers(argText);
  std::vector<char*> envp = Pointers(envText);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, TVQ_BINARY, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error(std::string("cannot start tvq: ") + std::strerror(spawned));
  if (whileRunning) whileRunning();
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

TvqResult RunTvq(const std::vector<std::string>& args, const std::string& input,
                 const std::map<std::string, std::string>& environment) {
  tvqtest::TempDir io;
  const std::string inPath = io.File("in");
  const std::string outPath = io.File("out");
  const std::string errPath = io.File("err");
  tvqtest::WriteText(inPath, input);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  TvqResult result;
  result.exitCode = SpawnAndWait(actions, args, EnvironmentFor(io.File("config"), environment));
  result.out = tvqtest::ReadText(outPath);
  result.err = tvqtest::ReadText(errPath);
  return result;
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
  TvqResult result;
  result.exitCode = SpawnAndWait(actions, args, EnvironmentFor(io.File("config"), environment), [&] {
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
  });
  ::close(master);
  result.err = tvqtest::ReadText(errPath);
  return result;
}

}  // namespace clitest
