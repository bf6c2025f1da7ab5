# mox_glob_library(<name> <dir> [GLOB <pattern>...] LIBS <libs...>)
# A static library of every .cpp/.h in <dir> (not recursive). While the
# folder holds no source yet, the target is an interface library so that
# dependants still configure.
function(mox_glob_library name dir)
  cmake_parse_arguments(L "" "" "LIBS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp)
  file(GLOB _hdr CONFIGURE_DEPENDS ${dir}/*.h)
  if(_src)
    add_library(${name} STATIC ${_src} ${_hdr})
    target_link_libraries(${name} PUBLIC ${L_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${L_LIBS})
  endif()
endfunction()
