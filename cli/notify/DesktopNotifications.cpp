// tvq remind's module: the freedesktop.org Notifications service on the session bus, through Qt D-Bus.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QStringList>
#include <QVariantMap>
#include <clocale>
#include <memory>
#include <string>

#include "cli/Notifications.h"

namespace {

constexpr int kCallTimeoutMs = 5000;
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage Call(const QString& method) { return QDBusMessage::createMethodCall(kService, kPath, kService, method); }

QString FromUtf16(const std::u16string& text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// The characters the service's body markup would read as markup.
QString EscapedForMarkup(const QString& text) {
  QString escaped;
  escaped.reserve(text.size());
  for (const QChar c : text) {
    if (c == u'&') {
      escaped += QStringLiteral("&amp;");
    } else if (c == u'<') {
      escaped += QStringLiteral("&lt;");
    } else if (c == u'>') {
      escaped += QStringLiteral("&gt;");
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// The session bus on a connection of tvq's own, under a Qt application when tvq has none.
class SessionBus {
 public:
  SessionBus() : m_application(ApplicationIfNone()) {}
  ~SessionBus() {
    m_bus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(kConnectionName);
  }
  SessionBus(const SessionBus&) = delete;
  SessionBus& operator=(const SessionBus&) = delete;

  QDBusMessage Call(const QDBusMessage& call) { return m_bus.call(call, QDBus::Block, kCallTimeoutMs); }
  bool IsConnected() const { return m_bus.isConnected(); }

 private:
  static std::unique_ptr<QCoreApplication> ApplicationIfNone() {
    // Qt's table of registered types must be made before Qt D-Bus's thread exists, so that it is destroyed after
    // that thread at exit: else the thread, still reading the bus's last messages, finds the D-Bus types gone
    // and says "Trying to construct an instance of an invalid type".
    qRegisterMetaType<QDBusVariant>();
    qRegisterMetaType<QDBusObjectPath>();
    qRegisterMetaType<QDBusSignature>();
    qRegisterMetaType<QDBusMessage>();
    if (QCoreApplication::instance()) return nullptr;
    static int argc = 1;
    static char name[] = "tvq";
    static char* argv[] = {name, nullptr};
    const std::string locale = std::setlocale(LC_ALL, nullptr);  // tvq's C locale stays as it was
    auto application = std::make_unique<QCoreApplication>(argc, argv);
    std::setlocale(LC_ALL, locale.c_str());
    return application;
  }

  inline static const QString kConnectionName = QStringLiteral("tvq-remind");
  std::unique_ptr<QCoreApplication> m_application;  // declared first: outlives the connection
  QDBusConnection m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnectionName);
};

class DesktopNotifications final : public tvqcli::NotificationService {
 public:
  DesktopNotifications(std::unique_ptr<SessionBus> bus, bool bodyMarkup)
      : m_bus(std::move(bus)), m_bodyMarkup(bodyMarkup) {}

  bool Show(const tvqcli::Notification& notification) override {
    const QString body = FromUtf16(notification.body);
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("com.vornakel.Tarvelquist"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(1));  // normal
    QDBusMessage call = Call(QStringLiteral("Notify"));
    call << QStringLiteral("Tarvelquist") << 0u << QStringLiteral("tarvelquist") << FromUtf16(notification.summary)
         << (m_bodyMarkup ? EscapedForMarkup(body) : body) << QStringList() << hints << -1;
    return m_bus->Call(call).type() == QDBusMessage::ReplyMessage;
  }

 private:
  std::unique_ptr<SessionBus> m_bus;
  bool m_bodyMarkup;
};

}  // namespace

extern "C" tvqcli::NotificationService* TvqConnectNotificationService() {
  auto bus = std::make_unique<SessionBus>();
  if (!bus->IsConnected()) return nullptr;
  // Asking for the capabilities starts a service that the bus activates on demand, and tells whether one is there.
  const QDBusMessage reply = bus->Call(Call(QStringLiteral("GetCapabilities")));
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return nullptr;
  const bool bodyMarkup = reply.arguments().constFirst().toStringList().contains(QStringLiteral("body-markup"));
  return std::make_unique<DesktopNotifications>(std::move(bus), bodyMarkup).release();
}
