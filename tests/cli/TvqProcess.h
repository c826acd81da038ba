// Runs the built tvq binary as a separate process with its own environment, standard input and outputs.
#pragma once

#include <functional>
#include <map>
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
TvqResult RunTvqOnTerminal(const std::vector<std::string>& args, const std::map<std::string, std::string>& environment = {});

}  // namespace clitest
