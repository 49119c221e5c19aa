# kovrin_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l1 l2] [QT] [LAUNCHER cmd args])
# One GoogleTest binary; each TEST becomes its own CTest entry. LAUNCHER runs it (listing
# included) through a wrapper command, such as a preload of an emulation library.
#
# gtest_discover_tests flattens list-valued properties, so every property passed here
# holds a single value: labels are joined with '+' (`ctest -L tsan` matches by regex),
# and the two environment variables go through ENVIRONMENT and ENVIRONMENT_MODIFICATION.
function(kovrin_add_test name)
  if(NOT KOVRIN_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS;LABELS;LAUNCHER" ${ARGN})
  set(sources ${T_SOURCES} ${PROJECT_SOURCE_DIR}/cmake/ArchiveOff.cpp)
  if(T_QT)
    # Qt tests never need a display.
    list(APPEND sources ${PROJECT_SOURCE_DIR}/cmake/QtOffscreen.cpp)
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(T_LAUNCHER)
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR "${T_LAUNCHER}")
  endif()
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  list(JOIN T_LABELS "+" labels)
  # kovrin-tests-LABEL builds the programs of one label only (the sanitizer builds).
  foreach(label ${T_LABELS})
    if(NOT TARGET kovrin-tests-${label})
      add_custom_target(kovrin-tests-${label})
    endif()
    add_dependencies(kovrin-tests-${label} ${name})
  endforeach()
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator every process start is costly: one CTest entry per binary.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
      LABELS "${labels}"
      ENVIRONMENT "KOVRIN_BIN_DIR=${CMAKE_BINARY_DIR}/bin;KOVRIN_SOURCE_DIR=${PROJECT_SOURCE_DIR};KOVRIN_ARCHIVE=off"
      TIMEOUT 120)
    return()
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 30
    PROPERTIES LABELS "${labels}"
               ENVIRONMENT "KOVRIN_BIN_DIR=${CMAKE_BINARY_DIR}/bin;KOVRIN_ARCHIVE=off"
               ENVIRONMENT_MODIFICATION "KOVRIN_SOURCE_DIR=set:${PROJECT_SOURCE_DIR}"
               TIMEOUT 120)
endfunction()
