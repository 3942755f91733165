# GoogleTest in both trees: Debian's build on Linux, built from its source for Windows.
if(CMAKE_CROSSCOMPILING)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest 1.12 names its own targets GTest::*; older sources do not.
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
  find_program(VALGRIND valgrind REQUIRED)
  # Natively under memcheck: a leak, or a read or write outside a block, fails the test.
  set(QUORVEL_MEMCHECK ${VALGRIND} --quiet --leak-check=full
                       --errors-for-leak-kinds=definite,indirect --error-exitcode=99)
endif()

# One ctest entry per test program: under Wine each start costs about a second.
function(quorvel_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quorvel_options ${ARG_LIBS} GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING)
    target_link_options(${name} PRIVATE -static)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES LABELS wine TIMEOUT 600)
  else()
    add_test(NAME ${name} COMMAND ${QUORVEL_MEMCHECK} $<TARGET_FILE:${name}> --gtest_brief=1)
  endif()
endfunction()
