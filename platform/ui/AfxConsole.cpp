// The --help and --version answers and the start-up problems on the terminal.
#include "platform/ui/AfxConsole.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/core/CWinApp.h"
#include "platform/core/Resource.h"
#include "platform/core/ResourceFormats.h"

namespace {

std::string VersionFromResources() {
  const HINSTANCE module = AfxGetResourceHandle();
  if (!module) return {};
  for (const CResourceModule::Entry& entry : module->Entries()) {
    if (!(entry.type == ResId(RT_VERSION))) continue;
    if (const auto info = platform::ParseVersionInfo(entry.data)) return platform::VersionText(info->fileVersion);
  }
  return {};
}

// The window layer's usage, for a program that gives none of its own.
CString DefaultCommandLineHelp(const CString& exeName) {
  return CString(u"Usage: ") + exeName +
         CString(u" [Qt options]\n"
                 u"\n"
                 u"  --help      show this text and exit\n"
                 u"  --version   show the version and exit\n");
}

}  // namespace

std::optional<int> AfxAnswerInformationRequest(const CWinApp* app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--version") {
      const std::string version = VersionFromResources();
      const std::string name = app ? app->m_pszAppName.ToUtf8() : AfxGetExeName().ToUtf8();
      std::printf("%s %s\n", name.c_str(), version.empty() ? "(no version block)" : version.c_str());
      return 0;
    }
    if (arg == "--help") {
      CString help = app ? app->GetCommandLineHelp() : CString();
      if (help.IsEmpty()) help = DefaultCommandLineHelp(AfxGetExeName());
      std::fputs(help.ToUtf8().c_str(), stdout);
      return 0;
    }
  }
  return std::nullopt;
}

void AfxPrintStartupProblem(const CString& text) {
  std::fprintf(stderr, "%s: %s\n", AfxGetExeName().ToUtf8().c_str(), text.ToUtf8().c_str());
}
