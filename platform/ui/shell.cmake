# The shell part of the window layer: the main frame with its command bar, menus and accelerators, the
# single-document template, and the application's start-up and loop (message box, open-file prompt,
# single-instance lock), the clipboard. Part of tvq_platform_ui.
find_package(Qt6 6.4 REQUIRED COMPONENTS Network)
target_sources(tvq_platform_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/AfxWin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SingleInstance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CFrameWnd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CCommandBar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CSingleDocTemplate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DocumentWatcher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Clipboard.cpp
)
target_link_libraries(tvq_platform_ui PUBLIC Qt6::Network)
