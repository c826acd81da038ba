# The report-view list control ("SysListView32"), its selection, its accessibility and CListCtrl (part of tvq_platform_ui).
target_sources(tvq_platform_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ListViewWidget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ListSelection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RowImageCache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AccessibleChanges.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ListViewAccessible.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CListCtrl.cpp
)
