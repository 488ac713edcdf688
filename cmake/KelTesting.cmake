# kel_add_test(NAME SOURCES... [LIBRARIES ...]): a Qt Test binary run headless by CTest.
# Every test gets QT_QPA_PLATFORM=offscreen; tests make their own temporary
# XDG_CONFIG_HOME so they never touch the user's store.
function(kel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE Qt${QT_VERSION_MAJOR}::Test ${ARG_LIBRARIES})
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests/common")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KEL_TEST_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY};${ARG_ENVIRONMENT}"
    TIMEOUT 300)
endfunction()
