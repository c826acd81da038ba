#include "cli/Ics.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "cli/Cli.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskText.h"
#include "platform/core/Utf.h"

namespace tvqcli {
namespace {

constexpr std::size_t kFoldOctets = 75;

std::string Stamp() {
  std::time_t now = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    char* end = nullptr;
    const long long value = std::strtoll(epoch, &end, 10);
    if (end && *end == '\0' && end != epoch) now = static_cast<std::time_t>(value);
  }
  std::tm utc{};
  gmtime_r(&now, &utc);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &utc);
  return buffer;
}

// PRIORITY from the letter as the editor reads it: A 1 (highest), B 5, C 9, P 0 (undefined).
int IcsPriority(const CString& priority) {
  switch (tasktext::PriorityLetterChoice(priority)) {
    case 2:
      return 5;
    case 3:
      return 9;
    case 4:
      return 0;
    default:
      return 1;
  }
}

// A stable identifier: the task's place and a hash of its fields.
std::string Uid(int index, const TaskItem& task) {
  std::uint64_t hash = 1469598103934665603ull;
  auto mix = [&hash](std::u16string_view text) {
    for (const char16_t unit : text) {
      hash = (hash ^ (unit & 0xFF)) * 1099511628211ull;
      hash = (hash ^ (unit >> 8)) * 1099511628211ull;
    }
    hash = (hash ^ 0xFF) * 1099511628211ull;
  };
  mix(task.subject.view());
  mix(task.priority.view());
  mix(task.memo.view());
  hash ^= DateBits(task.dueDate.m_dt) + static_cast<std::uint32_t>(task.dueDate.GetStatus());
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "tvq-%d-%016llx@tarvelquist", index + 1, static_cast<unsigned long long>(hash));
  return buffer;
}

}  // namespace

void AppendFolded(std::string& out, std::string_view line) {
  std::size_t limit = kFoldOctets;  // the first line; continuation lines start with a space
  while (line.size() > limit) {
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line.substr(0, cut));
    out.append("\r\n ");
    line.remove_prefix(cut);
    limit = kFoldOctets - 1;
  }
  out.append(line);
  out.append("\r\n");
}

std::string EscapeText(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    switch (c) {
      case u'\\':
        out.append("\\\\");
        continue;
      case u';':
        out.append("\\;");
        continue;
      case u',':
        out.append("\\,");
        continue;
      case u'\r':
        if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        out.append("\\n");
        continue;
      case u'\n':
        out.append("\\n");
        continue;
      default:
        break;
    }
    if ((c < 0x20 && c != u'\t') || c == 0x7F) continue;  // not allowed in a TEXT value
    platform::AppendUtf8(out, platform::NextCodePoint(text, i));
  }
  return out;
}

void WriteTasksIcs(Output& out, const CTarvelquistDoc& document) {
  std::string& buffer = out.Buffer();
  const std::string stamp = Stamp();
  AppendFolded(buffer, "BEGIN:VCALENDAR");
  AppendFolded(buffer, "VERSION:2.0");
  AppendFolded(buffer, "PRODID:-//VORNAKEL//Tarvelquist " TVQ_VERSION "//JA");
  for (int i = 0; i < document.GetTaskCount(); ++i) {
    const TaskItem& task = document.TaskAt(i);
    AppendFolded(buffer, "BEGIN:VTODO");
    AppendFolded(buffer, "UID:" + Uid(i, task));
    AppendFolded(buffer, "DTSTAMP:" + stamp);
    AppendFolded(buffer, "SUMMARY:" + EscapeText(task.subject.view()));
    // A task the list shows without a due date has none here either.
    SYSTEMTIME due;
    if (task.dueDate.GetStatus() == COleDateTime::valid &&
        !tasktext::IsNoDueDateText(tasktext::DateText(task.dueDate)) && task.dueDate.GetAsSystemTime(due)) {
      char date[16];
      std::snprintf(date, sizeof date, "%04u%02u%02u", due.wYear, due.wMonth, due.wDay);
      AppendFolded(buffer, std::string("DUE;VALUE=DATE:") + date);
    }
    AppendFolded(buffer, "PRIORITY:" + std::to_string(IcsPriority(task.priority)));
    AppendFolded(buffer, "X-TARVELQUIST-PRIORITY:" + EscapeText(task.priority.view()));
    if (!task.memo.IsEmpty()) AppendFolded(buffer, "DESCRIPTION:" + EscapeText(task.memo.view()));
    AppendFolded(buffer, "END:VTODO");
    out.MaybeFlush();
  }
  AppendFolded(buffer, "END:VCALENDAR");
  out.Flush();
}

}  // namespace tvqcli
