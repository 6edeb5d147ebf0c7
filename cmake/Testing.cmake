# GoogleTest for all three builds. Natively the distribution's package; cross builds compile the
# sources the distribution ships, so the Windows test programs link against a matching runtime.
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(TAVO_GTEST_LIBS gtest gmock gtest_main)
else()
  find_package(GTest REQUIRED)
  set(TAVO_GTEST_LIBS GTest::gtest GTest::gmock GTest::gtest_main)
endif()
include(GoogleTest)

# tavo_add_gtest(NAME SOURCES... LIBS libs... [LABELS labels...])
# Natively every test case becomes a ctest entry. Under Wine each start of a program costs a
# second or more, so a cross build registers one entry per test program instead.
function(tavo_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  tavo_target(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${TAVO_GTEST_LIBS})
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "wine;${T_LABELS}" TIMEOUT 600)
  else()
    gtest_discover_tests(${name} PROPERTIES LABELS "native;${T_LABELS}" DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
