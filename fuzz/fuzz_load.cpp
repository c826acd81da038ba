// libFuzzer target for the file loader: any bytes go through the document's own open, as a file would.
// A file that loads must store and load again to the same bytes, and every task's row texts must format.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskText.h"
#include "platform/core/CArchive.h"
#include "platform/core/CFile.h"
#include "platform/core/Locale.h"
#include "platform/core/MessageBox.h"
#include "res/ProgramResources.h"

namespace {

int g_input = -1;
int g_stored = -1;

CString FdPath(int fd) { return CString::FromUtf8("/proc/self/fd/" + std::to_string(fd)); }

void Fill(int fd, const std::uint8_t* data, std::size_t size) {
  if (ftruncate(fd, 0) != 0) std::abort();
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (written <= 0) std::abort();
    done += static_cast<std::size_t>(written);
  }
}

std::vector<std::uint8_t> Contents(int fd) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(lseek(fd, 0, SEEK_END)));
  if (!bytes.empty() && pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
    std::abort();
  }
  return bytes;
}

// Stores the document through the archive into the second memory file and returns the bytes.
std::vector<std::uint8_t> Store(CTarvelquistDoc& doc) {
  CFile file(FdPath(g_stored), CFile::modeCreate | CFile::modeWrite);
  CArchive archive(&file, CArchive::store);
  doc.Serialize(archive);
  archive.Close();
  file.Close();
  return Contents(g_stored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Messages are expected (most inputs are not task files); nothing is shown.
  AfxSetMessageBoxHandler([](const CString&, const CString&, UINT) { return IDOK; });
  setenv((std::string(kTarvelquistLocalePrefix) + "_LOCALE").c_str(), "ja_JP", 1);
  platform::SetLocaleVariablePrefix(kTarvelquistLocalePrefix);
  g_input = memfd_create("fuzz-input.tvq", 0);
  g_stored = memfd_create("fuzz-stored.tvq", 0);
  if (g_input < 0 || g_stored < 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fill(g_input, data, size);
  CTarvelquistDoc doc;
  if (!doc.OnOpenDocument(FdPath(g_input))) {
    if (doc.GetTaskCount() != 0) std::abort();  // a failed load leaves nothing behind
    return 0;
  }
  for (int i = 0; i < doc.GetTaskCount(); ++i) {
    const TaskItem& task = doc.TaskAt(i);
    (void)tasktext::DueColumnText(task.dueDate);
    (void)tasktext::SubjectColumnText(task.subject);
    (void)tasktext::PriorityLetterChoice(task.priority);
    (void)tasktext::PriorityDigitChoice(task.priority);
  }
  const std::vector<std::uint8_t> first = Store(doc);
  CTarvelquistDoc again;
  if (!again.OnOpenDocument(FdPath(g_stored))) std::abort();
  if (Store(again) != first) std::abort();
  return 0;
}
