# The resource lookup and the parsers of the standard resource formats, part of tvq_platform_core.
# Included at the end of this folder's CMakeLists.txt, after the target exists.
if(TARGET tvq_platform_core)
  get_target_property(_tvq_core_sources tvq_platform_core SOURCES)
  set(_tvq_resource_sources DialogTemplate.cpp MenuTemplate.cpp ResourceFormats.cpp)
  if(NOT "Resource.cpp" IN_LIST _tvq_core_sources AND
     NOT "${CMAKE_CURRENT_LIST_DIR}/Resource.cpp" IN_LIST _tvq_core_sources)
    list(APPEND _tvq_resource_sources Resource.cpp)
  endif()
  list(TRANSFORM _tvq_resource_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
  target_sources(tvq_platform_core PRIVATE ${_tvq_resource_sources})
  unset(_tvq_core_sources)
  unset(_tvq_resource_sources)
endif()
