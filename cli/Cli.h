// What the commands of tvq share beyond their arguments and output: the user's folders, tvq's own small files
// and standard input, echoes of input in messages, and loading and saving documents through the same framework
// code the window uses.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class CTarvelquistDoc;

namespace tvqcli {

// The list's columns by the names tvq gives them: subject 0, due 1, priority 2, memo 3; -1 for another name.
int ColumnNamed(std::string_view name);

// $HOME, else the user's home folder from the password database.
std::string HomeFolder();
// A folder of the XDG base directories: $variable when it is absolute, else ~/underHome.
std::string XdgFolder(const char* variable, const char* underHome);
// The folder of the running tvq, with its trailing slash; empty when it cannot be read. The programs and
// modules that only some commands load lie at fixed paths from it, built and installed alike.
std::string ExecutableFolder();
// What tvq keeps on this device (reminders announced, sync state): $XDG_STATE_HOME/tarvelquist.
std::string StateFolder();

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

// A new document for the command to work on. It is kept until tvq exits and never freed: tvq ends right after
// its command, and handing back ten thousand tasks one by one would cost more than listing them. The memory
// stays reachable, so leak checkers stay quiet; the file lock it may hold goes with the process.
CTarvelquistDoc& DocumentForCommand();

// The document's own open and save (OnOpenDocument, OnSaveDocument). On failure the window's message has
// already gone to standard error through the message sink and the result is false. A file holding bytes that
// are not tasks loads with one line on standard error saying so. LoadDocument is for a document that is only
// read, and the save is a document's last use: neither hashes the bytes (CDocument::SetReadHashUnused,
// SetWrittenHashUnused), so a save after LoadDocument would take the file as another writer's version.
bool LoadDocument(CTarvelquistDoc& document, const std::string& path);
bool SaveDocument(CTarvelquistDoc& document, const std::string& path);
// For a command that changes the file: takes its writers' lock (waiting for another tvq or the window to
// finish) and keeps it through the SaveDocument that follows, then loads it; a missing file leaves the
// document empty when createWhenMissing is set.
bool LoadForChange(CTarvelquistDoc& document, const std::string& path, bool createWhenMissing = false);

}  // namespace tvqcli
