// Runs the built tvq binary as a separate process with its own environment, standard input and outputs.
#pragma once

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

std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& bytes);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

}  // namespace clitest
