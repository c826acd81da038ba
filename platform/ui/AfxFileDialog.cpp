// The open-file prompt on Qt's own file dialog, fitted to the main window and leaving no settings behind.
#include "platform/ui/AfxFileDialog.h"

#include <array>
#include <vector>

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QSettings>
#include <QTreeView>

#include "platform/core/NativePath.h"
#include "platform/ui/AfxMainWindow.h"
#include "platform/ui/ModalLoop.h"

namespace {

// Qt's file dialog keeps its history and last folder in Qt's own settings file (QtProject.conf), read when it
// is made and written when it goes. The program persists nothing but its one setting: while a file dialog
// lives, the user's settings folder of Qt's own formats is one below a file, where nothing can be read and no
// folder or file can ever be made; the folder is put back afterwards.
class QtSettingsSetAside {
 public:
  QtSettingsSetAside() {
    for (const auto format : kFormats) {
      m_folders.push_back(UserFolder(format));
      QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
    }
  }
  ~QtSettingsSetAside() {
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
      QSettings::setPath(kFormats[i], QSettings::UserScope, m_folders[i]);
    }
  }
  QtSettingsSetAside(const QtSettingsSetAside&) = delete;
  QtSettingsSetAside& operator=(const QtSettingsSetAside&) = delete;

 private:
  static constexpr std::array kFormats{QSettings::NativeFormat, QSettings::IniFormat};

  // QSettings tells its folders only through the file names of its objects.
  static QString UserFolder(QSettings::Format format) {
    return QFileInfo(QSettings(format, QSettings::UserScope, QStringLiteral("folder")).fileName()).absolutePath();
  }

  std::vector<QString> m_folders;
};

// The file dialog's view fitted to the window: no side bar and no type column (the handheld's list shows
// neither), the size and date as wide as they need and the name taking the rest.
void FitFileDialogToTheWindow(QFileDialog& dialog) {
  if (auto* sidebar = dialog.findChild<QWidget*>(QStringLiteral("sidebar"))) sidebar->hide();
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!view) return;
  QHeaderView* header = view->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::ResizeToContents);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  constexpr int kTypeColumn = 2;
  view->setColumnHidden(kTypeColumn, true);
}

// Qt's file dialog decodes names that are not UTF-8 with U+FFFD and then finds no such file. It accepts a
// choice when the name it shows stands for exactly one file on disk.
class OpenFileDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  void accept() override {
    const QStringList chosen = selectedFiles();
    if (chosen.size() == 1 && !QFileInfo::exists(chosen.front())) {
      const CString shown = CString::FromQString(chosen.front());
      if (platform::RecoverLossyPath(shown) != shown) {
        QDialog::accept();
        return;
      }
    }
    QFileDialog::accept();
  }
};

}  // namespace

QStringList AfxFileDialogFilters(const CString& filter) {
  const QString text = filter.ToQString();
  QStringList filters;
  if (!text.contains(u'|')) {
    for (const QString& part : text.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) filters << part.trimmed();
    return filters;
  }
  // The framework's form: pairs of a display name and its patterns, "|"-separated, ending in "||".
  const QStringList parts = text.split(u'|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& name = parts[i];
    const QString& patterns = parts[i + 1];
    if (name.isEmpty()) break;
    // A display name that already shows its patterns ("List Files (*.lst)") stays as it is.
    filters << (name.endsWith(u')') ? name : QStringLiteral("%1 (%2)").arg(name, QString(patterns).replace(u';', u' ')));
  }
  return filters;
}

BOOL AfxPromptForFile(CString& fileName, const CString& title, const CString& filter) {
  const QtSettingsSetAside settingsSetAside;
  QWidget* parent = AfxGetPromptParent();
  OpenFileDialog dialog(parent, title.ToQString());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // Over the main window and as large, like the program's other dialogs.
  if (parent && parent == AfxGetMainWindowWidget()) dialog.setGeometry(parent->geometry());
  FitFileDialogToTheWindow(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  const QStringList filters = AfxFileDialogFilters(filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!fileName.IsEmpty()) dialog.selectFile(fileName.ToQString());
  // "All Files (*.*)" means every file, also those without a dot in their name.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& selected) {
    if (!selected.endsWith(QStringLiteral("(*.*)"))) return;
    if (auto* model = dialog.findChild<QFileSystemModel*>()) model->setNameFilters({QStringLiteral("*")});
  });
  int answer = QDialog::Rejected;
  {
    const CModalLoopScope modal;
    answer = dialog.exec();
  }
  if (answer != QDialog::Accepted) return FALSE;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return FALSE;
  // The dialog shows a name that is not UTF-8 with U+FFFD in it: open the file it showed all the same.
  fileName = platform::RecoverLossyPath(CString::FromQString(chosen.front()));
  return TRUE;
}
