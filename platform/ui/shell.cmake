# The shell part of the window layer: the main frame with its command bar, menus and accelerators, the
# single-document template, and the application's start-up and loop (message box, open-file prompt,
# single-instance lock).
find_package(Qt6 6.4 REQUIRED COMPONENTS Network)
set(_tvq_shell_sources
  AfxWin.cpp
  SingleInstance.cpp
  CFrameWnd.cpp
  CCommandBar.cpp
  CSingleDocTemplate.cpp
  DocumentWatcher.cpp
)
foreach(src ${_tvq_shell_sources})
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/${src})
    target_sources(tvq_platform_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/${src})
  endif()
endforeach()
unset(_tvq_shell_sources)
target_link_libraries(tvq_platform_ui PUBLIC Qt6::Network)
