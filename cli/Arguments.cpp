// One pass over the arguments: "--" ends the options, "--name=value" or "--name value" by the option's
// table, and an unknown, repeated or misused option is a usage error naming it.
#include "cli/Arguments.h"

#include "cli/Cli.h"
#include "cli/Errors.h"

namespace tvqcli {

const std::string* ParsedArguments::Value(std::string_view name) const {
  const auto found = options.find(name);
  return found == options.end() ? nullptr : &found->second;
}

ParsedArguments ParseArguments(const std::vector<std::string>& args, std::span<const OptionSpec> options) {
  ParsedArguments parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      parsed.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg.size() < 3 || arg[1] != '-') throw UsageError("unknown option '" + Echo(arg) + "'");
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const OptionSpec* option = nullptr;
    for (const OptionSpec& candidate : options) {
      if (candidate.name == name) option = &candidate;
    }
    if (!option) throw UsageError("unknown option '--" + Echo(name) + "'");
    if (parsed.Has(name)) throw UsageError("option '--" + name + "' given twice");
    std::string value;
    if (option->takesValue) {
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        throw UsageError("option '--" + name + "' needs a value");
      }
    } else if (equals != std::string::npos) {
      throw UsageError("option '--" + name + "' takes no value");
    }
    parsed.options.emplace(name, std::move(value));
  }
  return parsed;
}

void ExpectPositional(const ParsedArguments& parsed, std::size_t count, std::string_view what) {
  if (parsed.positional.size() < count) throw UsageError("missing " + std::string(what));
  if (parsed.positional.size() > count) {
    throw UsageError("unexpected argument '" + Echo(parsed.positional[count]) + "'");
  }
}

}  // namespace tvqcli
