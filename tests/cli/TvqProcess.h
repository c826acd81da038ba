// Runs the built tvq binary as a separate process with its own environment, standard input and outputs.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace clitest {

struct TvqResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs tvq with the arguments; `environment` entries replace or add variables (an empty value removes one).
// XDG_CONFIG_HOME points at a private folder unless the caller sets it.
TvqResult RunTvq(const std::vector<std::string>& args, const std::string& input = {},
                 const std::map<std::string, std::string>& environment = {});
// The same with standard output on a terminal (a pseudo-terminal in raw mode) and nothing on standard input.
TvqResult RunTvqOnTerminal(const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& environment = {});

// Starts tvq without waiting; Wait gives its result. For commands run side by side.
class TvqRun {
 public:
  explicit TvqRun(const std::vector<std::string>& args);
  ~TvqRun();
  TvqRun(const TvqRun&) = delete;
  TvqRun& operator=(const TvqRun&) = delete;
  TvqResult Wait();

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

}  // namespace clitest
