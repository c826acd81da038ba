// The bodies written with QXmlStreamWriter; answers read with QXmlStreamReader, keeping what a propstat found
// only when its status says it counts.
#include "cli/DavXml.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace davxml {
namespace {

constexpr const char* kDav = "DAV:";
constexpr const char* kCalDav = "urn:ietf:params:xml:ns:caldav";
// Nesting beyond this is no multistatus any server writes; refusing it bounds the work on hostile answers.
constexpr int kMaxDepth = 64;

std::string ToStd(const QString& text) { return text.toStdString(); }
QString FromStd(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Writes <?xml?> and the root element with the DAV and CalDAV prefixes; `fill` writes the children.
template <typename Fill>
std::string Body(const char* ns, const char* root, Fill fill) {
  QByteArray out;
  QXmlStreamWriter writer(&out);
  writer.writeStartDocument();
  writer.writeNamespace(kDav, "d");
  writer.writeNamespace(kCalDav, "c");
  writer.writeStartElement(ns, root);
  fill(writer);
  writer.writeEndElement();
  writer.writeEndDocument();
  return out.toStdString();
}

void WriteEtagProp(QXmlStreamWriter& writer, bool calendarData) {
  writer.writeStartElement(kDav, "prop");
  writer.writeEmptyElement(kDav, "getetag");
  if (calendarData) writer.writeEmptyElement(kCalDav, "calendar-data");
  writer.writeEndElement();
}

bool IsDav(const QXmlStreamReader& reader, const char* name) {
  return reader.namespaceUri() == QLatin1String(kDav) && reader.name() == QLatin1String(name);
}

// What one propstat found, kept until its status says whether it counts.
struct PropstatFound {
  int status = 200;
  std::optional<std::string> etag;
  std::optional<std::string> calendarData;
  std::optional<std::string> syncToken;
  bool isCollection = false;
};

class MultistatusParser {
 public:
  explicit MultistatusParser(std::string_view xml) : m_reader(QByteArray(xml.data(), static_cast<qsizetype>(xml.size()))) {}

  Multistatus Parse() {
    ExpectRoot();
    int depth = 1;
    while (depth > 0 && !m_reader.atEnd()) {
      const auto token = m_reader.readNext();
      if (token == QXmlStreamReader::StartElement) {
        if (++depth > kMaxDepth) throw DavXmlError("the server's answer is nested too deeply");
        if (Start()) --depth;  // the element was read whole
      } else if (token == QXmlStreamReader::EndElement) {
        End();
        --depth;
      }
    }
    if (m_reader.hasError()) Fail();
    if (!m_collectionToken.empty() && !m_result.syncToken) m_result.syncToken = m_collectionToken;
    return std::move(m_result);
  }

 private:
  void ExpectRoot() {
    while (!m_reader.atEnd() && m_reader.readNext() != QXmlStreamReader::StartElement) {
    }
    if (m_reader.hasError()) Fail();
    if (!IsDav(m_reader, "multistatus")) throw DavXmlError("the server's answer is not a WebDAV multistatus");
  }

  [[noreturn]] void Fail() const {
    throw DavXmlError("the server's answer is not well-formed XML (line " + std::to_string(m_reader.lineNumber()) +
                      "): " + ToStd(m_reader.errorString()));
  }

  std::string Text() {
    const QString text = m_reader.readElementText(QXmlStreamReader::IncludeChildElements);
    if (m_reader.hasError()) Fail();
    return ToStd(text);
  }

  // Handles a start tag; true when it read the element to its end.
  bool Start() {
    if (IsDav(m_reader, "response")) {
      m_response = DavResponse{};
      m_inResponse = true;
      return false;
    }
    if (IsDav(m_reader, "propstat") && m_inResponse) {
      m_propstat = PropstatFound{};
      m_inPropstat = true;
      return false;
    }
    if (IsDav(m_reader, "sync-token") && !m_inResponse) {
      m_result.syncToken = Text();
      return true;
    }
    if (!m_inResponse) return false;
    if (IsDav(m_reader, "href") && !m_inPropstat) {
      m_response.href = Trimmed(Text());
      return true;
    }
    if (IsDav(m_reader, "status")) {
      const int code = StatusCodeOf(Trimmed(Text()));
      (m_inPropstat ? m_propstat.status : m_response.status) = code;
      return true;
    }
    if (!m_inPropstat) return false;
    if (IsDav(m_reader, "getetag")) {
      m_propstat.etag = Trimmed(Text());
      return true;
    }
    if (IsDav(m_reader, "sync-token")) {
      m_propstat.syncToken = Trimmed(Text());
      return true;
    }
    if (IsDav(m_reader, "collection")) m_propstat.isCollection = true;
    if (m_reader.namespaceUri() == QLatin1String(kCalDav) && m_reader.name() == QLatin1String("calendar-data")) {
      m_propstat.calendarData = Text();
      return true;
    }
    return false;
  }

  void End() {
    if (IsDav(m_reader, "propstat") && m_inPropstat) {
      m_inPropstat = false;
      if (m_propstat.status != 200) return;
      if (m_propstat.etag) m_response.etag = m_propstat.etag;
      if (m_propstat.calendarData) m_response.calendarData = m_propstat.calendarData;
      if (m_propstat.syncToken) m_collectionToken = *m_propstat.syncToken;
      m_response.isCollection = m_response.isCollection || m_propstat.isCollection;
      return;
    }
    if (IsDav(m_reader, "response") && m_inResponse) {
      m_inResponse = false;
      m_inPropstat = false;
      if (!m_response.href.empty()) m_result.responses.push_back(std::move(m_response));
    }
  }

  static std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
  }

  QXmlStreamReader m_reader;
  Multistatus m_result;
  DavResponse m_response;
  PropstatFound m_propstat;
  std::string m_collectionToken;
  bool m_inResponse = false;
  bool m_inPropstat = false;
};

}  // namespace

std::string SyncCollectionBody(std::string_view syncToken) {
  return Body(kDav, "sync-collection", [&](QXmlStreamWriter& writer) {
    writer.writeTextElement(kDav, "sync-token", FromStd(syncToken));
    writer.writeTextElement(kDav, "sync-level", "1");
    WriteEtagProp(writer, false);
  });
}

std::string PropfindEtagsBody() {
  return Body(kDav, "propfind", [](QXmlStreamWriter& writer) {
    writer.writeStartElement(kDav, "prop");
    writer.writeEmptyElement(kDav, "resourcetype");
    writer.writeEmptyElement(kDav, "getetag");
    writer.writeEmptyElement(kDav, "sync-token");
    writer.writeEndElement();
  });
}

std::string MultigetBody(const std::vector<std::string>& hrefs) {
  return Body(kCalDav, "calendar-multiget", [&](QXmlStreamWriter& writer) {
    WriteEtagProp(writer, true);
    for (const std::string& href : hrefs) writer.writeTextElement(kDav, "href", FromStd(href));
  });
}

Multistatus ParseMultistatus(std::string_view xml) { return MultistatusParser(xml).Parse(); }

bool IsSyncTokenError(std::string_view xml) {
  QXmlStreamReader reader(QByteArray(xml.data(), static_cast<qsizetype>(xml.size())));
  while (!reader.atEnd()) {
    if (reader.readNext() == QXmlStreamReader::StartElement && IsDav(reader, "valid-sync-token")) return true;
  }
  return false;
}

int StatusCodeOf(std::string_view statusLine) {
  const auto space = statusLine.find(' ');
  if (space == std::string_view::npos || statusLine.size() < space + 4) return 0;
  int code = 0;
  for (std::size_t i = space + 1; i < space + 4; ++i) {
    const char c = statusLine[i];
    if (c < '0' || c > '9') return 0;
    code = code * 10 + (c - '0');
  }
  return code;
}

}  // namespace davxml
