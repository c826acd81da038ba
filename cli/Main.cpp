// tvq: Tarvelquist's task files from the command line, through the same document code as the window.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Display.h"
#include "cli/Errors.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "platform/core/CFile.h"
#include "platform/core/CWinApp.h"
#include "platform/core/Exceptions.h"
#include "platform/core/MessageBox.h"
#include "res/ProgramResources.h"

#ifndef TVQ_VERSION
#define TVQ_VERSION "0.0.0.0"
#endif

namespace {

using namespace tvqcli;

void WriteErrorLine(std::string line) {
  line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

// One line for the person at the terminal. Messages carry arguments, file names and file contents, so the line
// shows its controls as visible marks (a line break in it too: the caller's lines go one call each).
void PrintError(std::string_view text) { WriteErrorLine(TerminalText(text)); }
void PrintError(std::u16string_view text) { WriteErrorLine(TerminalText(text)); }

std::string MainHelp() {
  std::string text =
      "Usage: tvq COMMAND [ARGUMENTS]\n"
      "Works with Tarvelquist task files (*.tvq) from the command line, with the same code as the window.\n"
      "\n"
      "Commands:\n";
  for (const Command* command : Commands()) {
    std::string name(command->name);
    name.resize(std::max<std::size_t>(name.size(), 10), ' ');
    text += "  " + name + "  " + std::string(command->summary) + "\n";
  }
  text +=
      "\n"
      "Options:\n"
      "  --help      show this text; tvq COMMAND --help shows one command\n"
      "  --version   show the version\n"
      "\n"
      "Exit status: 0 done, 1 a file could not be read or written (the window's message is printed),\n"
      "2 bad usage or bad input.\n"
      "tvq never changes the file that the window reopens at start-up.\n";
  return text;
}

std::string CommandHelp(const Command& command) {
  return "Usage: " + std::string(command.usage) + "\n" + std::string(command.help);
}

void PrintOut(const std::string& text) {
  Output out;
  out.Buffer() = text;
  out.Flush();
}

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

int RunCommand(const Command& command, const std::vector<std::string>& args) {
  const std::string prefix = "tvq " + std::string(command.name) + ": ";
  try {
    if (AsksForHelp(args)) {
      PrintOut(CommandHelp(command));
      return kExitOk;
    }
    return command.run(args);
  } catch (const UsageError& error) {
    PrintError(prefix + error.what());
    PrintError("Usage: " + std::string(command.usage));
    PrintError("Run 'tvq " + std::string(command.name) + " --help' for more.");
    return kExitUsage;
  } catch (const tvqjson::JsonError& error) {
    PrintError(prefix + "bad JSON at line " + std::to_string(error.Line()) + ", column " +
               std::to_string(error.Column()) + ": " + error.what());
    return kExitUsage;
  } catch (const InputError& error) {
    PrintError(prefix + error.what());
    return kExitUsage;
  } catch (const OutputError& error) {
    PrintError(prefix + error.what());
    return kExitFailure;
  } catch (const CException& error) {
    CString message;
    if (!error.GetErrorMessage(message)) message = CString(u"Failed to open document.");
    PrintError(message.view());
    return kExitFailure;
  } catch (const std::bad_alloc&) {
    PrintError(prefix + "out of memory");
    return kExitFailure;
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterTarvelquistResources();  // the program's own messages (a save that kept another version aside)
  AfxIgnoreFileSizeSignal();  // an over-size save fails with the framework's message instead of killing tvq
  // Commands side by side on one file take turns: wait a few seconds for the other's lock before giving up.
  CFile::SetLockWait(std::chrono::seconds(5));
  // The application object as the window has it, for reading the settings; tvq's loads never record a file.
  CWinApp app(u"Tarvelquist");
  app.SetRegistryKey(CString(u"VORNAKEL"));
  // The window's load and save messages go to standard error, one line each.
  AfxSetMessageBoxHandler([](const CString& text, const CString&, UINT) {
    PrintError(text.view());
    return IDOK;
  });

  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (args.empty()) {
    PrintError("Usage: tvq COMMAND [ARGUMENTS]");
    PrintError("Run 'tvq --help' for the commands.");
    return kExitUsage;
  }
  const std::string& first = args.front();
  try {
    if (first == "--help" || first == "-h") {
      PrintOut(MainHelp());
      return kExitOk;
    }
    if (first == "--version") {
      PrintOut("tvq " TVQ_VERSION "\n");
      return kExitOk;
    }
  } catch (const OutputError& error) {
    PrintError(std::string("tvq: ") + error.what());
    return kExitFailure;
  }
  const Command* command = FindCommand(first);
  if (!command) {
    PrintError("tvq: unknown command '" + Echo(first) + "'");
    PrintError("Run 'tvq --help' for the commands.");
    return kExitUsage;
  }
  args.erase(args.begin());
  return RunCommand(*command, args);
}
