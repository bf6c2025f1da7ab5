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
  # Many tests read the template database of the program folder.
  if(TARGET mox_template_db)
    add_dependencies(${name} mox_template_db)
  endif()
  gtest_discover_tests(${name}
    TEST_PREFIX "${name}."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
      TIMEOUT 300)
endfunction()

# mox_add_tests_in_dir(LIBS <libs...> [GUI])
# Every <name>_test.cpp of the current folder becomes its own test binary, so
# that one folder's tests build independently of each other.
function(mox_add_tests_in_dir)
  cmake_parse_arguments(D "GUI" "" "LIBS" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(RELATIVE_PATH _rel ${CMAKE_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" _prefix "${_rel}")
  foreach(_t ${_tests})
    get_filename_component(_n ${_t} NAME_WE)
    if(D_GUI)
      mox_add_test(${_prefix}_${_n} SOURCES ${_t} LIBS ${D_LIBS} GUI)
    else()
      mox_add_test(${_prefix}_${_n} SOURCES ${_t} LIBS ${D_LIBS})
    endif()
  endforeach()
endfunction()

# Adds every sub-folder that has a CMakeLists.txt.
macro(mox_add_test_subdirs)
  file(GLOB _subs LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(_s ${_subs})
    if(IS_DIRECTORY ${_s} AND EXISTS ${_s}/CMakeLists.txt)
      add_subdirectory(${_s})
    endif()
  endforeach()
endmacro()
