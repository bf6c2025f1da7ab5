# Included by CTest after the tests of this folder were found.
foreach(_list core_sound_real_playback_test_TESTS core_sound_server_faults_test_TESTS
              core_sound_clip_stress_test_TESTS)
  if(DEFINED ${_list} AND NOT "${${_list}}" STREQUAL "")
    set_tests_properties(${${_list}} PROPERTIES RESOURCE_LOCK mox_sound_server RUN_SERIAL TRUE)
  endif()
endforeach()
