# The module's resources: type name, numeric id, file. The Windows DLL gets them from a
# generated windres script; the Linux .so links the same bytes in as data (an assembler
# .incbin per file) together with a table the platform layer searches.
set(OSTREL_RESOURCES
  "WAVES|118|resources/waves.bin"
  "XDAT|119|resources/default_bank.bin"
  "xRes|111|resources/gui/index.xml"
  "xDat|110|resources/gui/package.bin")

# ostrel_attach_resources(target [TYPE ...]): all resources, or only those of the given types.
function(ostrel_attach_resources target)
  set(_wanted ${ARGN})
  set(_gen ${CMAKE_CURRENT_BINARY_DIR}/resources_${target})
  file(MAKE_DIRECTORY ${_gen})
  # A version block keeps the resource script meaningful even before any data resource exists.
  set(_rc "1 VERSIONINFO\nFILEVERSION ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0\nPRODUCTVERSION ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0\nBEGIN\n  BLOCK \"StringFileInfo\"\n  BEGIN\n    BLOCK \"040904B0\"\n    BEGIN\n      VALUE \"ProductName\", \"Ostrel\"\n      VALUE \"FileDescription\", \"Ostrel wavetable synthesizer\"\n      VALUE \"FileVersion\", \"${PROJECT_VERSION}\"\n    END\n  END\n  BLOCK \"VarFileInfo\"\n  BEGIN\n    VALUE \"Translation\", 0x409, 1200\n  END\nEND\n")
  set(_asm "    .section .rodata\n")
  set(_decl "")
  set(_table "")
  set(_deps "")
  set(_i 0)
  foreach(_entry IN LISTS OSTREL_RESOURCES)
    string(REPLACE "|" ";" _parts "${_entry}")
    list(GET _parts 0 _type)
    list(GET _parts 1 _id)
    list(GET _parts 2 _file)
    if(_wanted AND NOT _type IN_LIST _wanted)
      continue()
    endif()
    set(_path ${CMAKE_SOURCE_DIR}/${_file})
    if(NOT EXISTS ${_path})
      continue()
    endif()
    list(APPEND _deps ${_path})
    string(APPEND _rc "${_id} ${_type} \"${_path}\"\n")
    string(APPEND _asm "    .balign 16\n    .globl ostrel_res_${_i}_begin\nostrel_res_${_i}_begin:\n    .incbin \"${_path}\"\n    .globl ostrel_res_${_i}_end\nostrel_res_${_i}_end:\n    .byte 0\n")
    string(APPEND _decl "extern \"C\" const unsigned char ostrel_res_${_i}_begin[];\nextern \"C\" const unsigned char ostrel_res_${_i}_end[];\n")
    string(APPEND _table "    {\"${_type}\", ${_id}, ostrel_res_${_i}_begin, ostrel_res_${_i}_end},\n")
    math(EXPR _i "${_i} + 1")
  endforeach()
  if(WIN32)
    file(CONFIGURE OUTPUT ${_gen}/resources.rc CONTENT "${_rc}")
    target_sources(${target} PRIVATE ${_gen}/resources.rc)
    set_source_files_properties(${_gen}/resources.rc PROPERTIES OBJECT_DEPENDS "${_deps}")
  else()
    string(APPEND _asm "    .section .note.GNU-stack,\"\",@progbits\n")
    file(CONFIGURE OUTPUT ${_gen}/resources.S CONTENT "${_asm}")
    file(CONFIGURE OUTPUT ${_gen}/resource_table.cpp CONTENT
"// Generated: the module resources linked into this binary.
#include \"instance/linked_resources.h\"
${_decl}
namespace ostrel {
extern const LinkedResource kLinkedResources[];
const LinkedResource kLinkedResources[] = {
${_table}    {nullptr, 0, nullptr, nullptr},
};
}
")
    target_sources(${target} PRIVATE ${_gen}/resources.S ${_gen}/resource_table.cpp)
    set_source_files_properties(${_gen}/resources.S PROPERTIES OBJECT_DEPENDS "${_deps}")
  endif()
endfunction()
