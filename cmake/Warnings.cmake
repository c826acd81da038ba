# Project-wide warning set; every target links tvq_warnings.
add_library(tvq_warnings INTERFACE)
target_compile_options(tvq_warnings INTERFACE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
target_include_directories(tvq_warnings INTERFACE ${CMAKE_SOURCE_DIR})
