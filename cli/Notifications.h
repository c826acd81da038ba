// Desktop notifications for tvq remind. The freedesktop.org Notifications service is reached through Qt D-Bus in
// a module of its own (cli/notify), loaded only when a reminder is to be shown, so that no other command of tvq
// pays for loading Qt D-Bus.
#pragma once

#include <memory>
#include <string>

namespace tvqcli {

struct Notification {
  std::u16string summary;
  std::u16string body;  // plain text, lines apart; escaped where the service reads markup
};

class NotificationService {
 public:
  virtual ~NotificationService() = default;
  // False when the service did not take the notification.
  virtual bool Show(const Notification& notification) = 0;
};

// The session's notification service; null when there is none (no session bus, no service on it). When the
// module itself cannot be loaded, `problem` says why.
std::unique_ptr<NotificationService> ConnectNotificationService(std::string& problem);

}  // namespace tvqcli

// The module's one entry point: a new connection to the service, or null.
extern "C" tvqcli::NotificationService* TvqConnectNotificationService();
