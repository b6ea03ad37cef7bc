# What the unit-test programs of the cross builds (the browser's under Node, Windows' under Wine)
# share: GoogleTest compiled from Debian's sources (googletest package, /usr/src/googletest) as
# its single-file build, the tools' libraries the tests build archives, objects and songs with
# (plain C++; their programs are never built there), the tests' support library, and the list of
# test sources (qx_test_sources, relative to tests/).
#   qx_cross_build_tests(PREFIX)  defines PREFIX_gtest and PREFIX_test_support, sets
#                                 qx_tests_dir and qx_test_sources in the caller; sets
#                                 qx_googletest_found to FALSE (and defines nothing) without
#                                 GoogleTest's sources
macro(qx_cross_build_tests prefix)
  set(qx_googletest_dir /usr/src/googletest/googletest)
  set(qx_tests_dir ${PROJECT_SOURCE_DIR}/tests)
  if(EXISTS ${qx_googletest_dir}/src/gtest-all.cc)
    set(qx_googletest_found TRUE)
    add_library(${prefix}_gtest STATIC EXCLUDE_FROM_ALL
      ${qx_googletest_dir}/src/gtest-all.cc ${qx_googletest_dir}/src/gtest_main.cc)
    target_include_directories(${prefix}_gtest SYSTEM PUBLIC ${qx_googletest_dir}/include)
    target_include_directories(${prefix}_gtest PRIVATE ${qx_googletest_dir})
    foreach(subject archive meshes music)
      add_subdirectory(${PROJECT_SOURCE_DIR}/tools/${subject} ${CMAKE_BINARY_DIR}/tools/${subject}
                       EXCLUDE_FROM_ALL)
    endforeach()
    add_library(${prefix}_test_support STATIC EXCLUDE_FROM_ALL
      ${qx_tests_dir}/support/placeholder_assets.cpp
      ${qx_tests_dir}/support/virtual_platform.cpp)
    target_link_libraries(${prefix}_test_support PUBLIC qx_engine qx_archive_tools qx_xm_writer)
    include(${qx_tests_dir}/test_sources.cmake)
  else()
    set(qx_googletest_found FALSE)
  endif()
endmacro()
