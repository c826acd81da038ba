// tvq remind [FILE...]: a desktop notification for each task due today or before, once a day.
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Display.h"
#include "cli/Errors.h"
#include "cli/Notifications.h"
#include "cli/Output.h"
#include "cli/RemindLog.h"
#include "cli/TaskFilter.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskText.h"
#include "platform/core/NativePath.h"

namespace tvqcli {
namespace {

constexpr OptionSpec kOptions[] = {{"dry-run", false}};
// More due tasks than this in one file make one notification for the file.
constexpr std::size_t kMostNotificationsPerFile = 5;

// The reminders' texts.
constexpr std::u16string_view kDueLabel = u"期限：";
constexpr std::u16string_view kOverdueMark = u"（期限切れ）";
constexpr std::u16string_view kDueTasksBefore = u"期限が来たタスク ";
constexpr std::u16string_view kMoreBefore = u"ほか ";
constexpr std::u16string_view kCountAfter = u"件";

std::string ConfigPath() { return XdgFolder("XDG_CONFIG_HOME", ".config") + "/tarvelquist/remind.conf"; }

std::string FromHome(const std::string& path) {
  if (path.starts_with('/')) return path;
  return HomeFolder() + "/" + (path.starts_with("~/") ? path.substr(2) : path);
}

// The files named in remind.conf, one a line (blank lines and # comments skipped, relative to the home folder);
// the file the window last read when there is no remind.conf.
std::vector<std::string> ConfiguredFiles() {
  const std::string config = ConfigPath();
  std::string text;
  if (!ReadSettingsFile(config, text)) {
    const CString last = CTarvelquistDoc::GetLastReadFile();
    if (last.IsEmpty()) {
      throw UsageError("no FILE given, no " + TerminalText(config) + ", and no file read by the window yet");
    }
    return {platform::ToNativePath(last)};
  }
  std::vector<std::string> files;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.ends_with('\r')) line.pop_back();
    if (line.empty() || line.starts_with('#')) continue;
    files.push_back(FromHome(line));
  }
  return files;
}

std::u16string Count(std::size_t count) {
  const std::string digits = std::to_string(count);
  return std::u16string(digits.begin(), digits.end()) + std::u16string(kCountAfter);
}

std::u16string Subject(const TaskItem& task) {
  return std::u16string(task.subject.IsEmpty() ? tasktext::SubjectDefault().view() : task.subject.view());
}

// "期限：2024/05/10（期限切れ）"
std::u16string DueLine(const TaskItem& task, Day today) {
  std::u16string line = std::u16string(kDueLabel) + std::u16string(tasktext::DueColumnText(task.dueDate).view());
  if (DueDay(task.dueDate) < today) line += kOverdueMark;
  return line;
}

// One notification for each task, or one for the file when it has more than kMostNotificationsPerFile.
void AddNotifications(const CTarvelquistDoc& document, const std::vector<int>& due, const std::string& path, Day today,
                      std::vector<Notification>& notifications) {
  const std::u16string file(platform::PathFromNative(path).view());
  if (due.size() <= kMostNotificationsPerFile) {
    for (const int index : due) {
      const TaskItem& task = document.TaskAt(index);
      notifications.push_back({Subject(task), DueLine(task, today) + u"\n" + file});
    }
    return;
  }
  Notification notification{std::u16string(kDueTasksBefore) + Count(due.size()), file};
  for (std::size_t k = 0; k < kMostNotificationsPerFile; ++k) {
    const TaskItem& task = document.TaskAt(due[k]);
    notification.body += u"\n" + std::u16string(tasktext::DueColumnText(task.dueDate).view()) + u"  " + Subject(task);
  }
  notification.body += u"\n" + std::u16string(kMoreBefore) + Count(due.size() - kMostNotificationsPerFile);
  notifications.push_back(std::move(notification));
}

// The summary, then each line of the body indented.
void Print(const Notification& notification, Output& out) {
  out.Buffer() += TerminalText(notification.summary) + "\n";
  std::u16string_view body = notification.body;
  while (!body.empty()) {
    const std::size_t end = std::min(body.find(u'\n'), body.size());
    out.Buffer() += "  " + TerminalText(body.substr(0, end)) + "\n";
    body.remove_prefix(std::min(end + 1, body.size()));
  }
}

void Deliver(const std::vector<Notification>& notifications, bool dryRun) {
  Output out;
  std::unique_ptr<NotificationService> service;
  if (!dryRun && !notifications.empty()) {
    std::string problem;
    service = ConnectNotificationService(problem);
    if (!problem.empty()) {
      std::fprintf(stderr, "tvq remind: no desktop notifications: %s\n", TerminalText(problem).c_str());
    }
  }
  for (const Notification& notification : notifications) {
    if (!service || !service->Show(notification)) Print(notification, out);
  }
  out.Flush();
}

int RunRemind(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, kOptions);
  const bool dryRun = parsed.Has("dry-run");
  const std::vector<std::string> files = parsed.positional.empty() ? ConfiguredFiles() : parsed.positional;
  const Day today = Today();
  DueFilter dueByToday;
  dueByToday.last = today;
  RemindLog log(today, !dryRun);
  std::vector<Notification> notifications;
  bool failed = false;
  for (const std::string& path : files) {
    CTarvelquistDoc document;
    if (!LoadDocument(document, path)) {
      failed = true;
      continue;
    }
    const std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    std::vector<int> due;
    for (int i = 0; i < document.GetTaskCount(); ++i) {
      const TaskItem& task = document.TaskAt(i);
      if (!dueByToday.Matches(task.dueDate)) continue;
      const std::string key = RemindLog::KeyOf(absolute, task);
      if (log.Announced(key)) continue;  // today already, or a twin earlier in this run
      due.push_back(i);
      log.Add(key);
    }
    AddNotifications(document, due, absolute, today, notifications);
  }
  Deliver(notifications, dryRun);
  log.Save();
  return failed ? kExitFailure : kExitOk;
}

}  // namespace

extern const Command kRemindCommand{
    "remind",
    "show a desktop notification for each task due today or before, once a day",
    "tvq remind [--dry-run] [FILE...]",
    "Shows a desktop notification (the freedesktop.org Notifications service on the session bus) for each\n"
    "task of the FILEs that is due today or overdue: its subject as the summary, its due date and its file as\n"
    "the body. A file with more than five such tasks gets one notification that counts them. Each task is\n"
    "announced once a day: what was announced today is kept in $XDG_STATE_HOME/tarvelquist/reminded\n"
    "(~/.local/state without XDG_STATE_HOME), each task by its file, subject and due date, so running it every\n"
    "hour is quiet after the first time and a task whose subject or due date changes is announced anew.\n"
    "Without a notification service the same lines go to standard output: the summary, then the body\n"
    "indented.\n"
    "\n"
    "Without FILE, the files are the lines of $XDG_CONFIG_HOME/tarvelquist/remind.conf (~/.config without\n"
    "XDG_CONFIG_HOME): one path a line, relative to the home folder, blank lines and lines starting with #\n"
    "skipped; without that file, the file the window read last. Installed with tvq, the systemd user units\n"
    "tvq-remind.service and tvq-remind.timer run it at login and every hour once enabled:\n"
    "  systemctl --user enable --now tvq-remind.timer\n"
    "\n"
    "Options:\n"
    "  --dry-run   print what would be announced, show nothing and remember nothing\n"
    "\n"
    "Exit status 1 when a file could not be read (the others are still announced).\n"
    "\n"
    "Example:\n"
    "  tvq remind tasks.tvq\n",
    &RunRemind,
};

}  // namespace tvqcli
