// A command's arguments: its options by name and its positional arguments, with the usage errors for the rest.
#pragma once

#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tvqcli {

// Options of a command: "--name value", "--name=value" or a flag "--name"; "--" ends the options.
struct OptionSpec {
  std::string_view name;  // without the dashes
  bool takesValue;
};
struct ParsedArguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> options;  // flags map to ""
  bool Has(std::string_view name) const { return options.find(name) != options.end(); }
  const std::string* Value(std::string_view name) const;
};
ParsedArguments ParseArguments(const std::vector<std::string>& args, std::span<const OptionSpec> options);
// Throws UsageError unless there are exactly `count` positional arguments.
void ExpectPositional(const ParsedArguments& parsed, std::size_t count, std::string_view what);

}  // namespace tvqcli
