// The tvq command table and what every command shares: argument parsing, exit statuses, output, and loading
// and saving documents through the same framework code the window uses.
#pragma once

#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class CTarvelquistDoc;

namespace tvqcli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // a file could not be read or written
inline constexpr int kExitUsage = 2;    // bad usage or bad input

// Bad arguments: the message, then the command's usage line, exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Input that is well-formed but unusable (bad field in JSON, bad CSV row): printed as is, exit status 2.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Standard output, or a file of tvq's own (what tvq remind has announced), could not be written: exit status 1.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

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

// The list's columns by the names tvq gives them: subject 0, due 1, priority 2, memo 3; -1 for another name.
int ColumnNamed(std::string_view name);

// $HOME, else the user's home folder from the password database.
std::string HomeFolder();
// A folder of the XDG base directories: $variable when it is absolute, else ~/underHome.
std::string XdgFolder(const char* variable, const char* underHome);
// What tvq keeps on this device (reminders announced, sync state): $XDG_STATE_HOME/tarvelquist.
std::string StateFolder();

// Buffered standard output; throws OutputError when writing fails.
class Output {
 public:
  // A file format's bytes go out exact, except to a terminal: there a person reads them, and with
  // `shownOnTerminal` they show their controls as TerminalLines does.
  explicit Output(bool shownOnTerminal = false);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  std::string& Buffer() { return m_buffer; }
  // Writes when the buffer is large; call after each unit of output. Text shown on a terminal is kept whole
  // (a flush must not cut a character or a line end in two).
  void MaybeFlush() {
    if (m_buffer.size() >= kFlushSize && !m_shown) Flush();
  }
  void Flush();

 private:
  static constexpr std::size_t kFlushSize = 1 << 16;
  std::string m_buffer;
  bool m_shown;
};

// The bytes of a small regular file of tvq's own settings; false when it does not exist. Never waits on a FIFO
// or a device in its place: anything but a regular file, or a failed read, throws InputError.
bool ReadSettingsFile(const std::string& path, std::string& text);

// Everything read from standard input (bytes as they are); an InputError beyond kMaxStandardInput bytes.
inline constexpr std::size_t kMaxStandardInput = std::size_t{256} << 20;
std::string ReadStandardInput();

// A piece of the user's input as a message repeats it: whole up to kMaxEcho bytes, else cut there (at a
// character's start) with "…".
inline constexpr std::size_t kMaxEcho = 200;
std::string Echo(std::string_view input);

// The document's own open and save (OnOpenDocument, OnSaveDocument). On failure the window's message has
// already gone to standard error through the message sink and the result is false. A file holding bytes that
// are not tasks loads with one line on standard error saying so.
bool LoadDocument(CTarvelquistDoc& document, const std::string& path);
bool SaveDocument(CTarvelquistDoc& document, const std::string& path);
// For a command that changes the file: takes its writers' lock (waiting for another tvq or the window to
// finish) and keeps it through the SaveDocument that follows, then loads it; a missing file leaves the
// document empty when createWhenMissing is set.
bool LoadForChange(CTarvelquistDoc& document, const std::string& path, bool createWhenMissing = false);

}  // namespace tvqcli
