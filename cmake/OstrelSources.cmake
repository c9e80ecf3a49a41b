# ostrel_platform_source_check(file out) sets out to true when the file belongs to the platform being built:
# every file without a platform suffix, and those whose suffix is in OSTREL_PLATFORM_SUFFIXES
# (win32 on Windows; posix and x11 on Linux).
function(ostrel_platform_source_check file out)
  set(_ok TRUE)
  if(file MATCHES "_(win32|posix|x11)\\.cpp$")
    set(_ok FALSE)
    foreach(_suffix IN LISTS OSTREL_PLATFORM_SUFFIXES)
      if(file MATCHES "_${_suffix}\\.cpp$")
        set(_ok TRUE)
      endif()
    endforeach()
  endif()
  set(${out} ${_ok} PARENT_SCOPE)
endfunction()

# ostrel_folder_library(name folder [DEPS ...])
# Builds a static library from the C++ sources of one folder. Platform files are named
# *_win32.cpp, *_posix.cpp and *_x11.cpp (the X11 window system, native Linux build only);
# only those of the platform being built are compiled, so no source needs an #ifdef to choose
# its platform.
function(ostrel_folder_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(_sources)
  foreach(_f IN LISTS _all)
    ostrel_platform_source_check(${_f} _ok)
    if(NOT _ok)
      continue()
    endif()
    list(APPEND _sources ${_f})
  endforeach()
  if(_sources)
    add_library(${name} STATIC ${_sources})
    target_link_libraries(${name} PUBLIC ostrel_options ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ostrel_options ${ARG_DEPS})
  endif()
endfunction()
