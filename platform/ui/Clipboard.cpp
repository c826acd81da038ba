// Every form goes into one QMimeData handed to Qt's clipboard; text/plain is read back as Qt's text, other
// types by their raw bytes.
#include "platform/ui/Clipboard.h"

#include <memory>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

void SetClipboardForms(const std::vector<ClipboardForm>& forms) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return;
  auto data = std::make_unique<QMimeData>();
  for (const ClipboardForm& form : forms) {
    data->setData(QString::fromStdString(form.mimeType), QByteArray::fromStdString(form.bytes));
  }
  clipboard->setMimeData(data.release());  // the clipboard owns it
}

std::optional<std::string> ReadClipboardForm(std::string_view mimeType) {
  const QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
  if (!data) return std::nullopt;
  const QString type = QString::fromUtf8(mimeType.data(), static_cast<qsizetype>(mimeType.size()));
  if (type == QStringLiteral("text/plain")) {
    if (!data->hasText()) return std::nullopt;
    return data->text().toStdString();
  }
  if (!data->hasFormat(type)) return std::nullopt;
  return data->data(type).toStdString();
}

}  // namespace platform
