// What tvq says of its sync command: one text for tvq, which answers --help itself, and for tvq-sync, which runs
// the command.
#pragma once

#include <string_view>

namespace tvqcli {

inline constexpr std::string_view kSyncName = "sync";
inline constexpr std::string_view kSyncSummary = "two-way sync of FILE with a CalDAV task collection";
inline constexpr std::string_view kSyncUsage = "tvq sync FILE [--url URL] [--user NAME] [--password-file PATH] [--force]";
inline constexpr std::string_view kSyncHelp =
    "Brings FILE and one task collection on a CalDAV server (Radicale, Nextcloud, Baikal, SOGo, Fastmail...)\n"
    "to the same tasks: what changed on one side since the last sync goes to the other.\n"
    "\n"
    "--url URL             the collection, on the first run (https://; http:// only on this machine's loopback\n"
    "                      address); later runs remember it\n"
    "--user NAME           the user name; the password comes from --password-file or from the ~/.netrc entry\n"
    "                      of the server's host (machine HOST login NAME password SECRET)\n"
    "--password-file PATH  a file whose first line is the password\n"
    "--force               go on when a run would remove more than half of a side's tasks (and more than 5)\n"
    "The password file and ~/.netrc are refused unless only their owner may read them. A request that makes\n"
    "no progress for 60 seconds (TVQ_SYNC_TIMEOUT, in seconds) fails the run.\n"
    "\n"
    "The rule, per task: tasks are matched with the last sync's list by aligning the two (equal tasks in\n"
    "order; tasks at nearby positions that share at least two fields count as changed; a task that moved,\n"
    "unchanged or changed in one field, is the same task; the rest were deleted or added). A change on one\n"
    "side goes to the other; changes to different fields merge; the same field changed on both sides takes\n"
    "the server's version and keeps the list's in a conflict copy beside FILE (named on standard error).\n"
    "A task completed or deleted on the server leaves the list; a task deleted from the list is marked\n"
    "completed on the server. A task deleted on one side and changed on the other is kept. The first sync\n"
    "deletes nothing and matches equal tasks instead of doubling them. Items are patched, never rewritten:\n"
    "what the list does not hold (alarms, repeats, categories, other programs' properties) stays.\n"
    "What this device knows of the last sync is kept in $XDG_STATE_HOME/tarvelquist/ (~/.local/state).\n"
    "Exit status 1 when the server cannot be reached or refuses, or when the run stopped before a mass\n"
    "removal; the next run finishes whatever an interrupted one left.\n"
    "\n"
    "Example:\n"
    "  tvq sync tasks.tvq --url https://dav.example.org/alice/tasks/ --user alice\n";

}  // namespace tvqcli
