// What tvq remind has announced today, so that each due task is announced once a day: a file in
// $XDG_STATE_HOME/tarvelquist/ holding the day and one key per task announced on it. Tasks have no id, so a
// task's key is a hash of its file's path, its subject and its due date: a task whose subject or due date
// changes is a new task to announce.
#pragma once

#include <set>
#include <string>

#include "cli/TaskFilter.h"

namespace tvqcli {

class RemindLog {
 public:
  // Reads the log of `today` (an older day's log counts as empty). With `write`, the file is created when missing
  // and locked until the log is destroyed, so that two reminders at once announce a task once. Throws
  // OutputError when the file cannot be used.
  RemindLog(Day today, bool write);
  ~RemindLog();
  RemindLog(const RemindLog&) = delete;
  RemindLog& operator=(const RemindLog&) = delete;

  static std::string KeyOf(const std::string& filePath, const TaskItem& task);
  bool Announced(const std::string& key) const { return m_keys.count(key) > 0; }
  void Add(const std::string& key) { m_keys.insert(key); }
  // Writes today's keys back (only when opened to write). Throws OutputError when it cannot.
  void Save();

  // $XDG_STATE_HOME/tarvelquist/reminded (an absolute XDG_STATE_HOME, else ~/.local/state).
  static std::string Path();

 private:
  std::string m_day;
  std::set<std::string> m_keys;
  bool m_write;
  int m_fd = -1;
};

}  // namespace tvqcli
