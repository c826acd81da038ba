#include "tests/cli/TvqProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <stdexcept>

#include "tests/support/Files.h"

extern char** environ;

namespace clitest {

namespace {

struct Spawned {
  pid_t pid = 0;
  std::string outPath;
  std::string errPath;
};

Spawned Spawn(const tvqtest::TempDir& io, const std::vector<std::string>& args, const std::string& input,
              const std::map<std::string, std::string>& environment) {
  const std::string inPath = io.File("in");
  Spawned spawned{0, io.File("out"), io.File("err")};
  tvqtest::WriteText(inPath, input);

  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    const std::size_t equals = text.find('=');
    if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  variables["XDG_CONFIG_HOME"] = io.File("config");
  variables["TARVELQUIST_LOCALE"] = "ja_JP";
  variables.erase("TARVELQUIST_ACP");
  for (const auto& [name, value] : environment) {
    if (value.empty()) {
      variables.erase(name);
    } else {
      variables[name] = value;
    }
  }
  std::vector<std::string> envText;
  for (const auto& [name, value] : variables) envText.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (auto& text : envText) envp.push_back(text.data());
  envp.push_back(nullptr);

  std::vector<std::string> argText{TVQ_BINARY};
  argText.insert(argText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& text : argText) argv.push_back(text.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, spawned.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, spawned.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int failed = posix_spawn(&spawned.pid, TVQ_BINARY, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error(std::string("cannot start tvq: ") + std::strerror(failed));
  return spawned;
}

TvqResult Collect(const Spawned& spawned) {
  // A tvq that hangs (on a FIFO, say) fails its test instead of the whole run.
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (true) {
    const pid_t done = waitpid(spawned.pid, &status, WNOHANG);
    if (done == spawned.pid) break;
    if (done < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
    if (std::chrono::steady_clock::now() > deadline) {
      kill(spawned.pid, SIGKILL);
      waitpid(spawned.pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  TvqResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = tvqtest::ReadText(spawned.outPath);
  result.err = tvqtest::ReadText(spawned.errPath);
  return result;
}

}  // namespace

TvqResult RunTvq(const std::vector<std::string>& args, const std::string& input,
                 const std::map<std::string, std::string>& environment) {
  tvqtest::TempDir io;
  return Collect(Spawn(io, args, input, environment));
}

struct TvqRun::State {
  tvqtest::TempDir io;
  Spawned spawned;
  bool waited = false;
};

TvqRun::TvqRun(const std::vector<std::string>& args) : m_state(std::make_unique<State>()) {
  m_state->spawned = Spawn(m_state->io, args, {}, {});
}

TvqRun::~TvqRun() {
  if (!m_state->waited) Wait();
}

TvqResult TvqRun::Wait() {
  m_state->waited = true;
  return Collect(m_state->spawned);
}

}  // namespace clitest
