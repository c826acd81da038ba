# The shell part of the window layer: the main frame with its command bar, menus and accelerators, the
# single-document template, the application's start-up and loop with what it needs (the terminal's answers,
# termination signals, the single-instance lock, the main window's services, message box, open-file prompt),
# the clipboard. Part of tvq_platform_ui.
find_package(Qt6 6.4 REQUIRED COMPONENTS Network)
target_sources(tvq_platform_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/AfxMessageLoop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AfxConsole.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TerminationSignals.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AfxSingleInstance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AfxMainWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AfxMessageBox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AfxFileDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SingleInstance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CFrameWnd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VirtualKeys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CCommandBar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CSingleDocTemplate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DocumentWatcher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Clipboard.cpp
)
target_link_libraries(tvq_platform_ui PUBLIC Qt6::Network)
