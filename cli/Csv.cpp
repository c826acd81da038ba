// Writing quotes cells as needed and guards formulas; reading walks records of up to four fields, checks their
// quoting, and reads the due cell as a date with or without a time, empty, or raw: with the value's bits.
#include "cli/Csv.h"

#include <charconv>
#include <cstdio>

#include "cli/Cli.h"
#include "cli/Errors.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "doc/CTarvelquistDoc.h"
#include "platform/core/Utf.h"

namespace tvqcli {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kHeader = "subject,due,priority,memo";

void AppendField(std::string& out, std::u16string_view text) {
  const bool quote = text.find_first_of(u",\"\r\n") != std::u16string_view::npos;
  if (quote) out.push_back('"');
  if (BeginsLikeAFormula(text)) out.push_back('\'');
  if (!quote) {
    platform::AppendUtf8(out, text);
    return;
  }
  std::size_t start = 0;
  for (std::size_t quoteAt; (quoteAt = text.find(u'"', start)) != std::u16string_view::npos; start = quoteAt + 1) {
    platform::AppendUtf8(out, text.substr(start, quoteAt + 1 - start));
    out.push_back('"');
  }
  platform::AppendUtf8(out, text.substr(start));
  out.push_back('"');
}

bool WholeSeconds(const COleDateTime& due, SYSTEMTIME& time) {
  if (due.GetStatus() != COleDateTime::valid || !due.GetAsSystemTime(time)) return false;
  return DateBits(COleDateTime(time).m_dt) == DateBits(due.m_dt);
}

[[noreturn]] void Fail(int line, const std::string& message) {
  throw InputError("line " + std::to_string(line) + ": " + message);
}

bool Digits(std::string_view text, int& value) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc();
}

}  // namespace

COleDateTime DueFromCsvText(std::string_view text, int line) {
  if (text.empty()) return NoDueDateValue();
  if (text.substr(0, 4) == "raw:") {
    // raw:<16 hex digits>:<status>
    const std::string_view rest = text.substr(4);
    std::uint64_t bits = 0;
    long long status = 0;
    const bool shaped = rest.size() > 17 && rest[16] == ':';
    const auto bitsResult = std::from_chars(rest.data(), rest.data() + 16, bits, 16);
    const std::string_view statusText = shaped ? rest.substr(17) : std::string_view();
    const auto statusResult = std::from_chars(statusText.data(), statusText.data() + statusText.size(), status);
    if (!shaped || bitsResult.ptr != rest.data() + 16 || rest[0] == '+' || rest[0] == '-' ||
        statusResult.ec != std::errc() || statusResult.ptr != statusText.data() + statusText.size() ||
        status < INT32_MIN || status > INT32_MAX) {
      Fail(line, "due \"" + Echo(text) + "\" is not raw:<16 hex digits>:<status>");
    }
    return COleDateTime(DateFromBits(bits), static_cast<std::int32_t>(status));
  }
  // YYYY-MM-DD, optionally followed by " HH:MM:SS" (or "THH:MM:SS").
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  const bool dateShape = text.size() >= 10 && text[4] == '-' && text[7] == '-' && Digits(text.substr(0, 4), year) &&
                         Digits(text.substr(5, 2), month) && Digits(text.substr(8, 2), day);
  bool timeShape = text.size() == 10;
  if (text.size() == 19) {
    timeShape = (text[10] == ' ' || text[10] == 'T') && text[13] == ':' && text[16] == ':' &&
                Digits(text.substr(11, 2), hour) && Digits(text.substr(14, 2), minute) &&
                Digits(text.substr(17, 2), second);
  }
  if (!dateShape || !timeShape) {
    Fail(line, "due \"" + Echo(text) + "\" is not YYYY-MM-DD HH:MM:SS, YYYY-MM-DD, empty or raw:...");
  }
  COleDateTime due;
  if (due.SetDateTime(year, month, day, hour, minute, second) != COleDateTime::valid) {
    Fail(line, "due \"" + Echo(text) + "\" is not a date");
  }
  return due;
}

namespace {

// One record of up to four fields; returns false at the end of the text.
class CsvReader {
 public:
  explicit CsvReader(std::string_view text) : m_text(text) {
    if (m_text.substr(0, kBom.size()) == kBom) m_pos = kBom.size();
  }

  int Line() const { return m_line; }
  bool AtEnd() const { return m_pos >= m_text.size(); }

  // Reads one record into fields (raw UTF-8). Fails on a quote inside an unquoted field, text after a closing
  // quote, or an unclosed quote.
  void ReadRecord(std::vector<std::string>& fields) {
    fields.clear();
    const int startLine = m_line;
    while (true) {
      std::string field;
      if (m_pos < m_text.size() && m_text[m_pos] == '"') {
        ++m_pos;
        while (true) {
          if (m_pos >= m_text.size()) Fail(startLine, "a quoted field is not closed");
          const char c = m_text[m_pos++];
          if (c == '"') {
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
              field.push_back('"');
              ++m_pos;
              continue;
            }
            break;
          }
          if (c == '\n') ++m_line;
          field.push_back(c);
        }
        if (m_pos < m_text.size() && m_text[m_pos] != ',' && m_text[m_pos] != '\r' && m_text[m_pos] != '\n') {
          Fail(m_line, "text after the closing quote of a field");
        }
      } else {
        while (m_pos < m_text.size() && m_text[m_pos] != ',' && m_text[m_pos] != '\r' && m_text[m_pos] != '\n') {
          if (m_text[m_pos] == '"') Fail(m_line, "a quote inside a field that does not start with one");
          field.push_back(m_text[m_pos++]);
        }
      }
      fields.push_back(std::move(field));
      if (m_pos >= m_text.size()) return;
      const char c = m_text[m_pos++];
      if (c == ',') continue;
      if (c == '\r') {
        if (m_pos >= m_text.size() || m_text[m_pos] != '\n') Fail(m_line, "a line ends in CR without LF");
        ++m_pos;
      }
      ++m_line;
      return;
    }
  }

 private:
  std::string_view m_text;
  std::size_t m_pos = 0;
  int m_line = 1;
};

// A text cell: UTF-8, with the formula guard taken off.
CString FieldText(const std::string& field, int line, const char* name) {
  std::u16string text;
  if (!tvqjson::Utf8ToUtf16(field, text)) Fail(line, std::string(name) + " is not valid UTF-8");
  if (!text.empty() && text.front() == u'\'' && BeginsLikeAFormula(std::u16string_view(text))) text.erase(0, 1);
  return CString(std::move(text));
}

}  // namespace

std::string DueCsvText(const COleDateTime& due) {
  if (due == NoDueDateValue()) return {};
  SYSTEMTIME time;
  char buffer[48];
  if (WholeSeconds(due, time)) {
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond);
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "raw:%016llx:%d", static_cast<unsigned long long>(DateBits(due.m_dt)),
                static_cast<int>(due.GetStatus()));
  return buffer;
}

void AppendTaskCsv(std::string& out, const TaskItem& task) {
  AppendField(out, task.subject.view());
  out.push_back(',');
  out.append(DueCsvText(task.dueDate));
  out.push_back(',');
  AppendField(out, task.priority.view());
  out.push_back(',');
  AppendField(out, task.memo.view());
  out.append("\r\n");
}

void WriteTasksCsv(Output& out, const CTarvelquistDoc& document) {
  std::string& buffer = out.Buffer();
  buffer.append(kBom);
  buffer.append(kHeader);
  buffer.append("\r\n");
  for (int i = 0; i < document.GetTaskCount(); ++i) {
    AppendTaskCsv(buffer, document.TaskAt(i));
    out.MaybeFlush();
  }
  out.Flush();
}

void ReadTasksCsv(std::string_view text, const std::function<void(const TaskItem&)>& onTask) {
  CsvReader reader(text);
  std::vector<std::string> fields;
  if (reader.AtEnd()) Fail(1, "no header row (expected: subject,due,priority,memo)");
  reader.ReadRecord(fields);
  if (fields != std::vector<std::string>{"subject", "due", "priority", "memo"}) {
    Fail(1, "the header row must be: subject,due,priority,memo");
  }
  TaskItem task;
  while (!reader.AtEnd()) {
    const int line = reader.Line();
    reader.ReadRecord(fields);
    if (fields.size() != 4) {
      Fail(line, "expected 4 fields (subject,due,priority,memo), found " + std::to_string(fields.size()));
    }
    task.subject = FieldText(fields[0], line, "subject");
    task.dueDate = DueFromCsvText(fields[1], line);
    task.priority = FieldText(fields[2], line, "priority");
    task.memo = FieldText(fields[3], line, "memo");
    onTask(task);
  }
}

}  // namespace tvqcli
