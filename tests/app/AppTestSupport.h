// Helpers of the application-shell tests: temporary XDG folders, task files, the remembered-file setting,
// crafted resource images and dialog templates, and a fixture that starts the program's application object
// in-process with every seam answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "platform/core/CString.h"
#include "platform/core/CWinApp.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Resource.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CDialogTestHooks.h"
#include "platform/ui/CFrameWnd.h"
#include "platform/ui/CFrameWndTestHooks.h"
#include "tests/support/Framework.h"
#include "tests/support/Resources.h"

class CTarvelquistApp;
class CTarvelquistDoc;
class CTarvelquistView;

namespace apptest {

// A task file of the given subjects (due 10 May 2008 12:00, priority "A1", empty memo), in the file format.
QByteArray TaskFileBytes(const std::vector<std::u16string>& subjects);
void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// The remembered-file setting in a settings folder ($XDG_CONFIG_HOME/VORNAKEL/Tarvelquist.conf).
void WriteRememberedFile(const QString& configHome, const QString& value);
std::optional<QString> ReadRememberedFile(const QString& configHome);

using tvqtest::ResImageBuilder;
using tvqtest::ScopedResourceHandle;

struct Message {
  QString text;
  QString caption;
  UINT type;
};

// Temporary XDG folders, recorded messages, the open-file prompt answered from a queue, the commands routed
// through the frame, and modal dialogs answered by a hook (cancelled unless the test says otherwise).
class AppFixture : public ::testing::Test {
 protected:
  AppFixture();
  ~AppFixture() override;
  void SetUp() override;
  void TearDown() override;

  // Starts the application object as the program's start-up does (InitInstance), with these arguments.
  BOOL StartApp(const std::vector<std::string>& arguments = {});
  // Writes docs/list.tvq with the subjects, remembers it and starts: the file is open without a message.
  QString StartWithFile(const std::vector<std::u16string>& subjects);
  // Closes the windows and the document without saving, then ends the application object.
  void CloseApp();

  CTarvelquistApp* App() const { return m_app.get(); }
  CFrameWnd* Frame() const;
  QWidget* FrameWidget() const;
  CTarvelquistView* View() const;
  CTarvelquistDoc* Doc() const;
  // Column-0 texts of the list's rows.
  QStringList Rows() const;
  // Shows the main window and makes it the active window, so that its accelerators work.
  void ActivateFrame() const;

  QString DocsPath(const QString& name) const { return m_docs + u'/' + name; }
  QString ConfigHome() const { return m_config; }

  QTemporaryDir m_temp;
  QString m_config;
  QString m_docs;
  std::unique_ptr<tvqtest::ScopedEnv> m_envConfig;
  std::unique_ptr<tvqtest::ScopedEnv> m_envDocs;
  std::unique_ptr<CTarvelquistApp> m_app;

  std::vector<Message> m_messages;
  QStringList m_promptTitles;
  QStringList m_promptFilters;
  QStringList m_openAnswers;  // the files the open prompt picks, in turn; cancelled when empty
  std::vector<UINT> m_commands;
  std::vector<UINT> m_dialogs;  // template ids of the modal dialogs shown
  std::function<void(CDialog&)> m_modalAction;

 private:
  MessageBoxHandler m_previousSink;
  CWinApp::FilePromptHandler m_previousPrompt;
  testhooks::CommandProbe m_previousProbe;
  testhooks::ModalHook m_previousModal;
};

}  // namespace apptest
