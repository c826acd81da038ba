// What the window layer writes to its terminal: the answers to --help and --version, and the problems that end
// or trouble a start, in the manner of a command-line program.
#pragma once

#include <optional>

#include "platform/core/CString.h"

class CWinApp;

// Answers --help (the application's usage, else the window layer's) or --version (from the resources' version
// block) on stdout. The status to end with when the command line asked for either, else nothing.
std::optional<int> AfxAnswerInformationRequest(const CWinApp* app, int argc, char** argv);

// A line on stderr: "<executable>: <text>".
void AfxPrintStartupProblem(const CString& text);
