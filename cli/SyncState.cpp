// The state is JSON in a file named by hashes of the canonical file path and the collection URL, read with
// QJsonDocument and written through QSaveFile; the other collections of a file are found by that name.
#include "cli/SyncState.h"


#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cstdlib>

#include "cli/Cli.h"
#include "cli/Errors.h"
#include "cli/Json.h"
#include "cli/SyncPlan.h"
#include "cli/TaskJson.h"

namespace tvqcli {
namespace {

constexpr int kStateVersion = 1;

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QJsonValue& value) { return value.toString().toStdString(); }

std::string Hash(const std::string& text) {
  return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha256).toHex().left(16).toStdString();
}

// The file's own path, absolute and with links resolved, so that two ways of naming it share one state.
std::string CanonicalFile(const std::string& filePath) {
  const QFileInfo info(QFile::decodeName(filePath.c_str()));
  const QString canonical = info.canonicalFilePath();
  if (!canonical.isEmpty()) return QFile::encodeName(canonical).toStdString();
  return QFile::encodeName(info.absoluteFilePath()).toStdString();
}

std::string BasesJson(const SyncState& state) {
  std::string out = "{\"tasks\":[";
  bool first = true;
  for (const SyncItem& item : state.items) {
    if (!item.base) continue;
    if (!first) out += ',';
    first = false;
    AppendTaskJson(out, *item.base);
  }
  return out + "]}";
}

}  // namespace

std::string SyncStateDirectory() { return StateFolder(); }

std::string SyncStatePath(const std::string& filePath, const std::string& url) {
  return SyncStateDirectory() + "/sync-" + Hash(CanonicalFile(filePath)) + "-" + Hash(url) + ".json";
}

std::vector<std::string> KnownCollections(const std::string& filePath) {
  const QDir directory(QFile::decodeName(SyncStateDirectory().c_str()));
  const QString pattern = QString::fromStdString("sync-" + Hash(CanonicalFile(filePath)) + "-*.json");
  std::vector<std::string> urls;
  for (const QString& name : directory.entryList({pattern}, QDir::Files, QDir::Name)) {
    const auto state = LoadSyncState(QFile::encodeName(directory.filePath(name)).toStdString());
    if (state) urls.push_back(state->url);
  }
  return urls;
}

std::optional<SyncState> LoadSyncState(const std::string& statePath) {
  QFile file(QFile::decodeName(statePath.c_str()));
  if (!file.exists()) return std::nullopt;
  if (!file.open(QIODevice::ReadOnly)) throw InputError("cannot read the sync state " + statePath);
  QJsonParseError error{};
  const QJsonObject root = QJsonDocument::fromJson(file.readAll(), &error).object();
  if (error.error != QJsonParseError::NoError || root.value("version").toInt() != kStateVersion) {
    throw InputError("the sync state " + statePath + " is damaged; remove it to start again as a first sync");
  }
  SyncState state;
  state.url = S(root.value("url"));
  state.syncToken = S(root.value("syncToken"));
  std::vector<std::unique_ptr<TaskItem>> bases;
  try {
    ReadTasksJson(S(root.value("bases")), [&bases](const TaskItem& task) { bases.push_back(CopyTask(task)); });
  } catch (const tvqjson::JsonError&) {
    throw InputError("the sync state " + statePath + " is damaged; remove it to start again as a first sync");
  }
  std::size_t nextBase = 0;
  for (const QJsonValue& value : root.value("items").toArray()) {
    const QJsonObject object = value.toObject();
    SyncItem item{S(object.value("uid")), S(object.value("href")), S(object.value("etag")), S(object.value("ics")), {}};
    if (object.value("inList").toBool() && nextBase < bases.size()) item.base = std::move(bases[nextBase++]);
    state.items.push_back(std::move(item));
  }
  return state;
}

void SaveSyncState(const std::string& statePath, const SyncState& state) {
  QJsonArray items;
  for (const SyncItem& item : state.items) {
    items.append(QJsonObject{{"uid", Q(item.uid)}, {"href", Q(item.href)}, {"etag", Q(item.etag)},
                             {"ics", Q(item.ics)}, {"inList", item.base != nullptr}});
  }
  const QJsonObject root{{"version", kStateVersion}, {"url", Q(state.url)}, {"syncToken", Q(state.syncToken)},
                         {"bases", Q(BasesJson(state))}, {"items", items}};
  QDir().mkpath(QFile::decodeName(SyncStateDirectory().c_str()));
  QFile::setPermissions(QFile::decodeName(SyncStateDirectory().c_str()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QSaveFile file(QFile::decodeName(statePath.c_str()));
  const bool written = file.open(QIODevice::WriteOnly) &&
                       file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) &&
                       file.write(QJsonDocument(root).toJson(QJsonDocument::Compact)) >= 0 && file.commit();
  if (!written) throw InputError("cannot write the sync state " + statePath + ": " + file.errorString().toStdString());
}

}  // namespace tvqcli
