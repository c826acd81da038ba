// tvq sync's pieces that need no server: the multistatus reader against answers written at random, the per-task
// three-way decision against a simple model of its rule, the .netrc reader, the secret-file check and the state.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QXmlStreamWriter>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "cli/DavXml.h"
#include "cli/Errors.h"
#include "cli/SyncCredentials.h"
#include "cli/SyncItem.h"
#include "cli/SyncPlan.h"
#include "cli/SyncState.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"

namespace {

using namespace tvqcli;

// ---- multistatus ------------------------------------------------------------------------------------------

struct Written {
  std::string href;
  int status;
  std::string etag;
  std::string data;
  bool withData;
  bool etagNotFound;  // the etag in a 404 propstat: not a property the item has
};

// A multistatus as servers write it, with the prefixes, order and extras varied at random.
std::string WriteMultistatus(std::mt19937& random, const std::vector<Written>& responses, const std::string& token) {
  QByteArray out;
  QXmlStreamWriter writer(&out);
  const char* davPrefix = random() % 2 ? "D" : "";
  writer.writeStartDocument();
  writer.writeNamespace("DAV:", davPrefix);
  writer.writeNamespace("urn:ietf:params:xml:ns:caldav", random() % 2 ? "C" : "cal");
  writer.writeStartElement("DAV:", "multistatus");
  if (random() % 2) writer.writeTextElement("http://example.org/ns", "unknown", "ignored");
  for (const Written& response : responses) {
    writer.writeStartElement("DAV:", "response");
    writer.writeTextElement("DAV:", "href", QString::fromStdString(response.href));
    if (response.status != 200) {
      writer.writeTextElement("DAV:", "status", "HTTP/1.1 " + QString::number(response.status) + " X");
    } else {
      writer.writeStartElement("DAV:", "propstat");
      writer.writeStartElement("DAV:", "prop");
      if (!response.etagNotFound) writer.writeTextElement("DAV:", "getetag", QString::fromStdString(response.etag));
      if (response.withData) {
        writer.writeTextElement("urn:ietf:params:xml:ns:caldav", "calendar-data", QString::fromStdString(response.data));
      }
      writer.writeEndElement();
      writer.writeTextElement("DAV:", "status", "HTTP/1.1 200 OK");
      writer.writeEndElement();
      writer.writeStartElement("DAV:", "propstat");
      writer.writeStartElement("DAV:", "prop");
      writer.writeEmptyElement("DAV:", response.etagNotFound ? "getetag" : "displayname");
      writer.writeEndElement();
      writer.writeTextElement("DAV:", "status", "HTTP/1.1 404 Not Found");
      writer.writeEndElement();
    }
    writer.writeEndElement();
  }
  if (!token.empty()) writer.writeTextElement("DAV:", "sync-token", QString::fromStdString(token));
  writer.writeEndElement();
  writer.writeEndDocument();
  return out.toStdString();
}

std::string RandomText(std::mt19937& random, bool lines) {
  static const char* const kPieces[] = {"a", "&", "<", "]]>", "\"", "件名", " ", "/", "%20", "BEGIN:VTODO"};
  std::string text;
  for (int i = static_cast<int>(random() % 8); i > 0; --i) text += kPieces[random() % std::size(kPieces)];
  if (lines && random() % 2) text += "\r\nSUMMARY:x\r\n";
  return text;
}

TEST(DavXml, ReadsWhatServersWriteWhateverThePrefixesAndExtras) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    std::mt19937 random(seed);
    std::vector<Written> responses;
    for (int i = static_cast<int>(random() % 6); i > 0; --i) {
      const int status = random() % 4 == 0 ? 404 : 200;
      responses.push_back({"/u/tasks/" + std::to_string(random() % 1000) + ".ics", status,
                           "\"" + std::to_string(random()) + "\"", RandomText(random, true), random() % 2 == 0,
                           status == 200 && random() % 5 == 0});
    }
    const std::string token = random() % 2 ? "http://radicale.org/ns/sync/" + std::to_string(random()) : "";
    const davxml::Multistatus read = davxml::ParseMultistatus(WriteMultistatus(random, responses, token));
    ASSERT_EQ(read.responses.size(), responses.size()) << "seed " << seed;
    EXPECT_EQ(read.syncToken.value_or(""), token) << "seed " << seed;
    for (std::size_t i = 0; i < responses.size(); ++i) {
      const Written& written = responses[i];
      const davxml::DavResponse& response = read.responses[i];
      EXPECT_EQ(response.href, written.href);
      EXPECT_EQ(response.status, written.status);
      const bool hasEtag = written.status == 200 && !written.etagNotFound;
      EXPECT_EQ(response.etag.has_value(), hasEtag) << "seed " << seed;
      if (hasEtag) {
        EXPECT_EQ(*response.etag, written.etag);
      }
      EXPECT_EQ(response.calendarData.has_value(), written.status == 200 && written.withData) << "seed " << seed;
      if (response.calendarData) {
        // XML reads every line end as LF (a server's CR LF arrives so); iCalendar readers take either.
        std::string expected = written.data;
        for (std::size_t at; (at = expected.find("\r\n")) != std::string::npos;) expected.erase(at, 1);
        EXPECT_EQ(*response.calendarData, expected) << "seed " << seed;
      }
    }
  }
}

TEST(DavXml, CollectionsTokensAndRefusals) {
  const std::string propfind =
      "<?xml version='1.0'?><multistatus xmlns='DAV:'><response><href>/u/tasks/</href><propstat><prop>"
      "<resourcetype><collection/><C:calendar xmlns:C='urn:ietf:params:xml:ns:caldav'/></resourcetype>"
      "<sync-token>tok-1</sync-token></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
      "<response><href>/u/tasks/a.ics</href><propstat><prop><getetag>\"e1\"</getetag><resourcetype/></prop>"
      "<status>\n  HTTP/1.1 200 OK\n</status></propstat></response></multistatus>";
  const davxml::Multistatus read = davxml::ParseMultistatus(propfind);
  ASSERT_EQ(read.responses.size(), 2U);
  EXPECT_TRUE(read.responses[0].isCollection);
  EXPECT_FALSE(read.responses[1].isCollection);
  EXPECT_EQ(read.syncToken.value_or(""), "tok-1");
  EXPECT_EQ(read.responses[1].etag.value_or(""), "\"e1\"");

  EXPECT_THROW(davxml::ParseMultistatus("<html>no</html>"), davxml::DavXmlError);
  EXPECT_THROW(davxml::ParseMultistatus("<multistatus xmlns='DAV:'><response>"), davxml::DavXmlError);
  EXPECT_THROW(davxml::ParseMultistatus(""), davxml::DavXmlError);
  std::string deep = "<multistatus xmlns='DAV:'>";
  for (int i = 0; i < 200; ++i) deep += "<x>";
  EXPECT_THROW(davxml::ParseMultistatus(deep), davxml::DavXmlError);

  EXPECT_TRUE(davxml::IsSyncTokenError("<D:error xmlns:D='DAV:'><D:valid-sync-token/></D:error>"));
  EXPECT_FALSE(davxml::IsSyncTokenError("<D:error xmlns:D='DAV:'><D:need-privileges/></D:error>"));
  EXPECT_FALSE(davxml::IsSyncTokenError("<error xmlns='other'><valid-sync-token/></error>"));
  EXPECT_EQ(davxml::StatusCodeOf("HTTP/1.1 412 Precondition Failed"), 412);
  EXPECT_EQ(davxml::StatusCodeOf("HTTP/1.1 4x2"), 0);
  EXPECT_EQ(davxml::StatusCodeOf("nothing"), 0);

  // The request bodies are what the reader of a server reads: well-formed, with the token and hrefs escaped.
  const std::string body = davxml::MultigetBody({"/u/a&b.ics", "/u/<c>.ics"});
  EXPECT_NE(body.find("/u/a&amp;b.ics"), std::string::npos);
  EXPECT_NE(davxml::SyncCollectionBody("t<1>").find("t&lt;1&gt;"), std::string::npos);
}

// ---- the three-way decision -------------------------------------------------------------------------------

void SetField(TaskItem& task, unsigned bit, int value) {
  const CString text = CString::FromUtf8("v" + std::to_string(value));
  if (bit == kSubjectBit) task.subject = text;
  if (bit == kDueBit) task.dueDate = COleDateTime(40000.0 + value);
  if (bit == kPriorityBit) task.priority = text;
  if (bit == kMemoBit) task.memo = text;
}

std::unique_ptr<TaskItem> Variant(const TaskItem& from, std::mt19937& random, unsigned& changed) {
  auto task = std::make_unique<TaskItem>();
  task->CopyFieldsFrom(from);
  changed = 0;
  for (unsigned bit = kSubjectBit; bit <= kMemoBit; bit <<= 1) {
    if (random() % 3 != 0) continue;
    SetField(*task, bit, static_cast<int>(random() % 3));  // a small range: both sides often pick the same value
    if (DifferentFields(*task, from) & bit) changed |= bit;
  }
  return task;
}

// The rule in its plainest form, field by field: a side that changed a field since the base wins it, the
// server when both did; a task gone from one side stays when the other changed it.
TEST(SyncPlan, EveryCombinationOfSidesFollowsTheRule) {
  for (unsigned seed = 1; seed <= 3000; ++seed) {
    std::mt19937 random(seed);
    TaskItem base;
    for (unsigned bit = kSubjectBit; bit <= kMemoBit; bit <<= 1) SetField(base, bit, 0);
    unsigned listChanged = 0;
    unsigned serverChanged = 0;
    const auto list = Variant(base, random, listChanged);
    const auto server = Variant(base, random, serverChanged);
    SyncRecord record;
    const bool hasBase = random() % 5 != 0;
    const bool inList = random() % 4 != 0;
    const int serverState = static_cast<int>(random() % 4);  // 0 removed, 1 completed, 2-3 open
    record.base = hasBase ? &base : nullptr;
    record.list = inList ? list.get() : nullptr;
    record.server = serverState == 0 ? nullptr : server.get();
    record.serverCompleted = serverState == 1;
    const SyncDecision decision = DecideRecord(record);
    const bool serverOpen = serverState >= 2;
    SCOPED_TRACE("seed " + std::to_string(seed));

    if (!hasBase) {
      EXPECT_EQ(decision.inList, inList || serverOpen);
      EXPECT_EQ(decision.server, inList && serverState == 0 ? ServerAction::create : ServerAction::none);
      EXPECT_FALSE(decision.removedFromList || decision.completedOnServer);  // a first sync never removes
      continue;
    }
    if (!inList && !serverOpen) {
      EXPECT_FALSE(decision.inList);
      EXPECT_EQ(decision.server, ServerAction::none);
      continue;
    }
    if (!serverOpen) {  // removed or completed on the server
      EXPECT_EQ(decision.inList, listChanged != 0);
      EXPECT_EQ(decision.removedFromList, listChanged == 0);
      if (listChanged) {
        EXPECT_EQ(DifferentFields(*decision.result, *list), 0U);
        EXPECT_EQ(decision.server, serverState == 0 ? ServerAction::create : ServerAction::reopen);
      }
      continue;
    }
    if (!inList) {
      EXPECT_EQ(decision.inList, serverChanged != 0);
      EXPECT_EQ(decision.completedOnServer, serverChanged == 0);
      EXPECT_EQ(decision.server, serverChanged ? ServerAction::none : ServerAction::complete);
      continue;
    }
    ASSERT_TRUE(decision.inList);
    unsigned conflicts = 0;
    for (unsigned bit = kSubjectBit; bit <= kMemoBit; bit <<= 1) {
      const TaskItem& winner = (serverChanged & bit) ? *server : *list;
      EXPECT_EQ(DifferentFields(*decision.result, winner) & bit, 0U) << "field " << bit;
      if ((listChanged & bit) && (serverChanged & bit) && (DifferentFields(*list, *server) & bit)) conflicts |= bit;
    }
    EXPECT_EQ(decision.conflictFields, conflicts);
    EXPECT_EQ(decision.server, DifferentFields(*decision.result, *server) ? ServerAction::update : ServerAction::none);
  }
}

TEST(SyncPlan, EqualTasksPairOnceInOrderAndMassRemovalNeedsHalfAndSix) {
  TaskItem a;
  TaskItem b;
  b.memo = CString(u"other");
  TaskItem a2;
  a2.CopyFieldsFrom(a);
  // Two equal tasks in the list, one on the server: one pair, the second stays new.
  EXPECT_EQ(MatchEqualTasks({&a, &b, &a2}, {&b, &a}), (std::vector<int>{1, 0, -1}));
  EXPECT_EQ(MatchEqualTasks({&a, &a2}, {&a2, &a}), (std::vector<int>{0, 1}));
  EXPECT_EQ(MatchEqualTasks({}, {&a}), std::vector<int>{});
  COleDateTime due = a.dueDate;
  b.CopyFieldsFrom(a);
  b.dueDate = COleDateTime(due.m_dt, COleDateTime::invalid);  // same value, other status: another task
  EXPECT_EQ(DifferentFields(a, b), static_cast<unsigned>(kDueBit));

  EXPECT_FALSE(IsMassRemoval(5, 5));
  EXPECT_FALSE(IsMassRemoval(6, 12));
  EXPECT_TRUE(IsMassRemoval(6, 11));
  EXPECT_TRUE(IsMassRemoval(7, 7));
}

// ---- items ----------------------------------------------------------------------------------------------

TEST(SyncItem, PatchesCompleteAndReopenKeepingWhatTheListDoesNotHold) {
  const std::string phone =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//EN\r\nBEGIN:VTODO\r\nUID:u1\r\nSUMMARY:old\r\n"
      "SEQUENCE:4\r\nCATEGORIES:home\r\nX-PHONE-COLOR:red\r\nRRULE:FREQ=WEEKLY\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\n"
      "TRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
  TaskItem task;
  task.subject = CString(u"新しい件名");
  task.memo = CString(u"line\r\nnext");
  task.priority = CString(u"C3");
  std::string text = phone;
  for (const ItemCompletion completion : {ItemCompletion::keep, ItemCompletion::complete, ItemCompletion::reopen}) {
    const std::optional<std::string> patched = PatchItem(text, task, 2, completion);
    ASSERT_TRUE(patched);
    const std::optional<ItemTask> read = ReadItemTask(*patched);
    ASSERT_TRUE(read);
    EXPECT_EQ(DifferentFields(*read->task, task), 0U);
    EXPECT_EQ(read->uid, "u1");
    EXPECT_EQ(read->completed, completion == ItemCompletion::complete);
    for (const char* kept : {"CATEGORIES:home", "X-PHONE-COLOR:red", "RRULE:FREQ=WEEKLY", "BEGIN:VALARM"}) {
      EXPECT_NE(patched->find(kept), std::string::npos) << kept;
    }
    text = *patched;
  }
  EXPECT_NE(text.find("SEQUENCE:7"), std::string::npos);  // one step per write, so other programs see the change
  EXPECT_EQ(text.find("PERCENT-COMPLETE"), std::string::npos);

  const std::optional<ItemTask> fresh = ReadItemTask(NewItem("u2", task, 5));
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh->uid, "u2");
  EXPECT_FALSE(fresh->completed);
  EXPECT_EQ(DifferentFields(*fresh->task, task), 0U);
  EXPECT_NE(NewUid(), NewUid());
  // An event, or text that is no iCalendar at all, is no task and cannot be patched as one.
  const std::string event = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:e\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  EXPECT_FALSE(ReadItemTask(event));
  EXPECT_FALSE(PatchItem(event, task, 0, ItemCompletion::keep));
  EXPECT_FALSE(ReadItemTask("<html>"));
}

// ---- credentials ------------------------------------------------------------------------------------------

TEST(SyncCredentials, NetrcEntriesDefaultsAndMacros) {
  const std::string netrc =
      "machine other.example login x password y\n"
      "macdef init\nmachine dav.example login evil password evil\n\n"
      "machine dav.example\n  login alice\n  password \"s p\\\"w\"\n"
      "default login anon password guest\n";
  const auto found = ParseNetrc(netrc, "dav.example");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->user, "alice");
  EXPECT_EQ(found->password, "s p\"w");
  const auto fallback = ParseNetrc(netrc, "unknown.example");
  ASSERT_TRUE(fallback);
  EXPECT_EQ(fallback->user, "anon");
  EXPECT_FALSE(ParseNetrc("machine a login b password c", "b"));
  EXPECT_FALSE(ParseNetrc("machine", "machine"));
}

TEST(SyncCredentials, SecretFilesOnlyWhenPrivate) {
  tvqtest::TempDir dir;
  const std::string path = dir.File("password");
  std::ofstream(path) << "secret\nsecond line\n";
  ::chmod(path.c_str(), 0644);
  EXPECT_THROW(ReadPrivateFile(path, false), InputError);
  const std::string user = "alice";
  EXPECT_THROW(FindCredentials(&user, &path, "h"), InputError);
  ::chmod(path.c_str(), 0600);
  const auto credentials = FindCredentials(&user, &path, "h");
  ASSERT_TRUE(credentials);
  EXPECT_EQ(credentials->password, "secret");
  EXPECT_THROW(FindCredentials(nullptr, &path, "h"), UsageError);
  EXPECT_FALSE(ReadPrivateFile(dir.File("missing"), true));
  EXPECT_THROW(ReadPrivateFile(dir.File("missing"), false), InputError);
  ::symlink(path.c_str(), dir.File("link").c_str());
  EXPECT_THROW(ReadPrivateFile(dir.File("link"), false), InputError);
}

// ---- the state --------------------------------------------------------------------------------------------

TEST(SyncState, KeepsBasesExactlyAndLivesOutsideTheFilesFolder) {
  tvqtest::TempDir dir;
  tvqtest::ScopedEnv state("XDG_STATE_HOME", dir.File("state"));
  SyncState saved;
  saved.url = "http://127.0.0.1:1/u/tasks/";
  saved.syncToken = "tok";
  for (int i = 0; i < 3; ++i) {
    auto base = std::make_unique<TaskItem>();
    base->subject = CString(std::u16string(u"件名\xD800") + char16_t(u'0' + i));  // a lone surrogate as a file may hold
    base->dueDate = COleDateTime(DateFromBits(0x7FF8000000000001ULL), COleDateTime::invalid);
    base->memo = CString(u"a\r\nb");
    saved.items.push_back({"uid" + std::to_string(i), "/u/tasks/" + std::to_string(i) + ".ics", "\"e\"", "BEGIN:VCALENDAR",
                           i == 1 ? nullptr : std::move(base)});
  }
  const std::string path = SyncStatePath(dir.File("list.tvq"), saved.url);
  EXPECT_EQ(path.rfind(dir.File("state") + "/tarvelquist/", 0), 0U);
  EXPECT_NE(path, SyncStatePath(dir.File("list.tvq"), "http://127.0.0.1:1/u/other/"));
  SaveSyncState(path, saved);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 077, 0U);
  const auto loaded = LoadSyncState(path);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->syncToken, "tok");
  ASSERT_EQ(loaded->items.size(), 3U);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(loaded->items[i].uid, saved.items[i].uid);
    EXPECT_EQ(loaded->items[i].base != nullptr, i != 1);
    if (i != 1) {
      EXPECT_EQ(DifferentFields(*loaded->items[i].base, *saved.items[i].base), 0U);
    }
  }
  EXPECT_EQ(KnownCollections(dir.File("list.tvq")), std::vector<std::string>{saved.url});
  EXPECT_FALSE(LoadSyncState(dir.File("none.json")));
  std::ofstream(path) << "{broken";
  EXPECT_THROW(LoadSyncState(path), InputError);
}

}  // namespace
