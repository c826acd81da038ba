// The tvq command table: each command's name, help texts and entry point, in the order tvq --help lists them.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tvqcli {

struct Command {
  std::string_view name;
  std::string_view summary;  // one line for tvq --help
  std::string_view usage;    // "tvq dump FILE"
  std::string_view help;     // the rest of tvq COMMAND --help: what it does, options, an example
  int (*run)(const std::vector<std::string>& args);
};

// Every command, in the order tvq --help lists them.
std::span<const Command* const> Commands();
const Command* FindCommand(std::string_view name);

}  // namespace tvqcli
