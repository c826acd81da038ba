// Tasks are written one by one into the output, with the due date's bits in hex; reading walks the pull
// reader through each task's keys, refuses duplicates, and takes the exact value from "bits" when given.
#include "cli/TaskJson.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "cli/Json.h"
#include "cli/Output.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskText.h"

namespace tvqcli {
namespace {

void AppendBits(std::string& out, std::uint64_t bits) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (int shift = 60; shift >= 0; shift -= 4) out.push_back(kHex[(bits >> shift) & 15]);
  out.push_back('"');
}

std::string Utf8(const std::u16string& text) { return CString(text).ToUtf8(); }

// Remembers which keys of one object were seen, to refuse duplicates.
class KeySet {
 public:
  bool Insert(const std::u16string& key) {
    for (const auto& seen : m_keys) {
      if (seen == key) return false;
    }
    m_keys.push_back(key);
    return true;
  }

 private:
  std::vector<std::u16string> m_keys;
};

void ReadKeyChecked(tvqjson::JsonReader& reader, KeySet& keys, const std::u16string& key, std::size_t offset) {
  if (!keys.Insert(key)) reader.FailAt(offset, "key \"" + Utf8(key) + "\" appears twice");
}

CString ReadStringField(tvqjson::JsonReader& reader, const char* name) {
  const std::size_t offset = reader.ValueOffset();
  if (reader.Peek() != tvqjson::JsonType::string) {
    reader.FailAt(offset, std::string("\"") + name + "\" must be a string, not " + tvqjson::TypeName(reader.Peek()));
  }
  return CString(reader.ReadString());
}

std::int32_t ReadStatus(tvqjson::JsonReader& reader) {
  const std::size_t offset = reader.ValueOffset();
  const char* const message = "\"status\" must be an integer from -2147483648 to 2147483647";
  if (reader.Peek() != tvqjson::JsonType::number) reader.FailAt(offset, message);
  const std::string_view text = reader.ReadNumberText();
  long long value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
      value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
    reader.FailAt(offset, message);
  }
  return static_cast<std::int32_t>(value);
}

// A finite double, or NaN for null (then "bits" must give the value).
double ReadValue(tvqjson::JsonReader& reader, bool& isNull) {
  const std::size_t offset = reader.ValueOffset();
  isNull = false;
  if (reader.Peek() == tvqjson::JsonType::null) {
    reader.ReadNull();
    isNull = true;
    return std::numeric_limits<double>::quiet_NaN();
  }
  if (reader.Peek() != tvqjson::JsonType::number) reader.FailAt(offset, "\"value\" must be a number or null");
  const std::string_view text = reader.ReadNumberText();
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    reader.FailAt(offset, "\"value\" is outside the range of a date value; give its \"bits\" instead");
  }
  return value;
}

std::uint64_t ReadBits(tvqjson::JsonReader& reader) {
  const std::size_t offset = reader.ValueOffset();
  const char* const message = "\"bits\" must be a string of 16 hexadecimal digits";
  if (reader.Peek() != tvqjson::JsonType::string) reader.FailAt(offset, message);
  const std::u16string text = reader.ReadString();
  if (text.size() != 16) reader.FailAt(offset, message);
  std::uint64_t bits = 0;
  for (const char16_t unit : text) {
    int digit = -1;
    if (unit >= u'0' && unit <= u'9') digit = unit - u'0';
    if (unit >= u'a' && unit <= u'f') digit = unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F') digit = unit - u'A' + 10;
    if (digit < 0) reader.FailAt(offset, message);
    bits = (bits << 4) | static_cast<std::uint64_t>(digit);
  }
  return bits;
}

COleDateTime ReadDue(tvqjson::JsonReader& reader) {
  const std::size_t objectOffset = reader.ValueOffset();
  if (reader.Peek() != tvqjson::JsonType::object) {
    reader.FailAt(objectOffset, std::string("\"due\" must be an object, not ") + tvqjson::TypeName(reader.Peek()));
  }
  reader.BeginObject();
  KeySet keys;
  std::int32_t status = COleDateTime::valid;
  bool hasValue = false;
  bool valueIsNull = false;
  double value = 0;
  bool hasBits = false;
  std::uint64_t bits = 0;
  std::u16string key;
  while (true) {
    const std::size_t keyOffset = reader.ValueOffset();
    if (!reader.NextKey(key)) break;
    ReadKeyChecked(reader, keys, key, keyOffset);
    if (key == u"status") {
      status = ReadStatus(reader);
    } else if (key == u"value") {
      value = ReadValue(reader, valueIsNull);
      hasValue = true;
    } else if (key == u"bits") {
      bits = ReadBits(reader);
      hasBits = true;
    } else {
      reader.FailAt(keyOffset, "unknown key \"" + Utf8(key) + "\" in \"due\" (known: status, value, bits)");
    }
  }
  if (hasBits) return COleDateTime(DateFromBits(bits), status);
  if (!hasValue) reader.FailAt(objectOffset, "\"due\" needs \"value\" or \"bits\"");
  if (valueIsNull) reader.FailAt(objectOffset, "\"due\" has \"value\": null and no \"bits\"");
  return COleDateTime(value, status);
}

void ReadTask(tvqjson::JsonReader& reader, const TaskItem& defaults, TaskItem& task) {
  const std::size_t objectOffset = reader.ValueOffset();
  if (reader.Peek() != tvqjson::JsonType::object) {
    reader.FailAt(objectOffset, std::string("a task must be an object, not ") + tvqjson::TypeName(reader.Peek()));
  }
  task.CopyFieldsFrom(defaults);
  reader.BeginObject();
  KeySet keys;
  std::u16string key;
  while (true) {
    const std::size_t keyOffset = reader.ValueOffset();
    if (!reader.NextKey(key)) break;
    ReadKeyChecked(reader, keys, key, keyOffset);
    if (key == u"subject") {
      task.subject = ReadStringField(reader, "subject");
    } else if (key == u"due") {
      task.dueDate = ReadDue(reader);
    } else if (key == u"priority") {
      task.priority = ReadStringField(reader, "priority");
    } else if (key == u"memo") {
      task.memo = ReadStringField(reader, "memo");
    } else if (key == u"dueText" || key == u"number") {
      reader.SkipValue();  // derived from the due date and the position; what was shown is not read back
    } else {
      reader.FailAt(keyOffset, "unknown key \"" + Utf8(key) +
                                   "\" in a task (known: subject, due, priority, memo, dueText, number)");
    }
  }
}

}  // namespace

void AppendTaskJson(std::string& out, const TaskItem& task, const std::function<void()>& spill, int number) {
  out.push_back('{');
  if (number > 0) {
    out.append("\"number\":");
    tvqjson::AppendInteger(out, number);
    out.push_back(',');
  }
  out.append("\"subject\":");
  tvqjson::AppendString(out, task.subject.view(), spill);
  out.append(",\"due\":{\"status\":");
  tvqjson::AppendInteger(out, task.dueDate.m_status);
  out.append(",\"value\":");
  tvqjson::AppendNumber(out, task.dueDate.m_dt);
  out.append(",\"bits\":");
  AppendBits(out, DateBits(task.dueDate.m_dt));
  out.append("},\"priority\":");
  tvqjson::AppendString(out, task.priority.view(), spill);
  out.append(",\"memo\":");
  tvqjson::AppendString(out, task.memo.view(), spill);
  out.append(",\"dueText\":");
  tvqjson::AppendString(out, tasktext::DueColumnText(task.dueDate).view());
  out.push_back('}');
}

namespace {

// {"tasks":[...]} with the task at indices(k) for k below count, numbered when asked.
template <typename IndexOf>
void WriteTasks(Output& out, const CTarvelquistDoc& document, int count, IndexOf indexOf, bool numbered) {
  std::string& buffer = out.Buffer();
  buffer.append("{\"tasks\":[");
  const auto spill = [&out] { out.Flush(); };  // long texts go out as they are written
  for (int k = 0; k < count; ++k) {
    if (k > 0) buffer.push_back(',');
    const int index = indexOf(k);
    AppendTaskJson(buffer, document.TaskAt(index), spill, numbered ? index + 1 : 0);
    out.MaybeFlush();
  }
  buffer.append("]}\n");
  out.Flush();
}

}  // namespace

void WriteTasksJson(Output& out, const CTarvelquistDoc& document) {
  WriteTasks(out, document, document.GetTaskCount(), [](int k) { return k; }, false);
}

void WriteNumberedTasksJson(Output& out, const CTarvelquistDoc& document, std::span<const int> indices) {
  WriteTasks(out, document, static_cast<int>(indices.size()),
             [indices](int k) { return indices[static_cast<std::size_t>(k)]; }, true);
}

void ReadTasksJson(std::string_view text, const std::function<void(const TaskItem&)>& onTask) {
  tvqjson::JsonReader reader(text);
  const std::size_t topOffset = reader.ValueOffset();
  if (reader.Peek() != tvqjson::JsonType::object) {
    reader.FailAt(topOffset, std::string("expected an object with \"tasks\", found ") +
                                 tvqjson::TypeName(reader.Peek()));
  }
  reader.BeginObject();
  const TaskItem defaults;
  KeySet keys;
  bool sawTasks = false;
  std::u16string key;
  TaskItem task;
  while (true) {
    const std::size_t keyOffset = reader.ValueOffset();
    if (!reader.NextKey(key)) break;
    ReadKeyChecked(reader, keys, key, keyOffset);
    if (key != u"tasks") reader.FailAt(keyOffset, "unknown key \"" + Utf8(key) + "\" (expected \"tasks\")");
    sawTasks = true;
    const std::size_t arrayOffset = reader.ValueOffset();
    if (reader.Peek() != tvqjson::JsonType::array) {
      reader.FailAt(arrayOffset, std::string("\"tasks\" must be an array, not ") + tvqjson::TypeName(reader.Peek()));
    }
    reader.BeginArray();
    while (reader.NextElement()) {
      ReadTask(reader, defaults, task);
      onTask(task);
    }
  }
  if (!sawTasks) reader.FailAt(topOffset, "missing \"tasks\"");
  reader.End();
}

}  // namespace tvqcli
