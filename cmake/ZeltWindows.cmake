# Windows DLLs as applications expect them: zeltkernel.dll and
# zeltdisplay.dll, every export under its plain name. On 32-bit Windows the
# __stdcall exports carry an @N suffix in the objects; the linker strips it
# from the export table (--kill-at) and writes the module definition it
# exported, from which dlltool makes an import library whose decorated
# symbols resolve to the plain names.
#
# The test build exports every symbol, as the Linux shared libraries do, so
# that the test programs reach the libraries' internals through the same
# DLLs an application loads.
option(ZELT_EXPORT_INTERNALS "Export every symbol of the Windows DLLs (test builds only)" OFF)

function(zelt_windows_dll target)
  set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "")
  if(ZELT_EXPORT_INTERNALS)
    target_link_options(${target} PRIVATE -Wl,--export-all-symbols -Wl,--exclude-libs,ALL)
  endif()
  if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
    return()
  endif()
  set(_def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  target_link_options(${target} PRIVATE -Wl,--kill-at -Wl,--output-def,${_def})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DDEF=${_def} -DDLL=$<TARGET_FILE_NAME:${target}>
            -DIMPLIB=$<TARGET_LINKER_FILE:${target}> -DDLLTOOL=${CMAKE_DLLTOOL}
            -P ${PROJECT_SOURCE_DIR}/cmake/ZeltImportLib.cmake
    VERBATIM)
endfunction()
