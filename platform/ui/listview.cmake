# The report-view list control ("SysListView32") and CListCtrl.
target_sources(tvq_platform_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ListViewWidget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ListCtrl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ListViewAccessible.cpp
)
