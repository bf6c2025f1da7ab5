# mox_add_test(<name> SOURCES <files...> LIBS <libs...> [GUI])
# One GoogleTest binary, discovered test by test, run offscreen with a private
# registry file so that no test touches the user's settings.
function(mox_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_GUI)
    target_link_libraries(${name} PRIVATE ${T_LIBS} mox_test_main_gui)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} mox_test_main_core)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;MOX_PROGRAM_DIR=${MOX_PROGRAM_DIR};MOX_SOURCE_DIR=${CMAKE_SOURCE_DIR};MOX_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data"
      TIMEOUT 300)
endfunction()
