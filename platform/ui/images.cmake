# Images from resources: DIBs, icon groups and the toolbar strip as Qt images.
target_sources(tvq_platform_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/DibImage.cpp)
