# Windows, controls, dialogs built from templates, data exchange and form views (part of tvq_platform_ui).
target_sources(tvq_platform_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DialogFont.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextFit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ControlFactory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ControlState.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CWnd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CButton.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CEdit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CStatic.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DatePicker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CDateTimeCtrl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StandardControls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialogBuilder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RelayoutFromTemplate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CView.cpp
)
