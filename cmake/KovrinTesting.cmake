# kovrin_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l1] [QT])
# One GoogleTest binary; each TEST becomes its own CTest entry.
function(kovrin_add_test name)
  if(NOT KOVRIN_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set(env "")
  if(T_QT)
    set(env "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 30
    PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${env};KOVRIN_BIN_DIR=${CMAKE_BINARY_DIR}/bin;KOVRIN_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
               TIMEOUT 120)
endfunction()
