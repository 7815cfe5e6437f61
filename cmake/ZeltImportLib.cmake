# Rewrites the import library of a 32-bit DLL linked with --kill-at: the
# module definition the linker wrote ("Name = Name@N @ordinal") becomes a
# list of decorated names, and dlltool -k makes them import the plain ones.
file(STRINGS "${DEF}" _lines)
set(_out "LIBRARY ${DLL}\nEXPORTS\n")
foreach(_line IN LISTS _lines)
  # One pattern per if(): a condition evaluates every MATCHES it holds.
  if(_line MATCHES "^[ \t]+[A-Za-z_0-9]+ = ([A-Za-z_0-9@]+)(.*)$")
  elseif(_line MATCHES "^[ \t]+([A-Za-z_0-9@]+)(.*)$")
  else()
    continue()
  endif()
  set(_name ${CMAKE_MATCH_1})
  set(_data "")
  if(CMAKE_MATCH_2 MATCHES "DATA")
    set(_data " DATA")
  endif()
  string(APPEND _out "    ${_name}${_data}\n")
endforeach()
file(WRITE "${DEF}.decorated" "${_out}")
execute_process(COMMAND ${DLLTOOL} -k -d "${DEF}.decorated" -D ${DLL} -l "${IMPLIB}" RESULT_VARIABLE _status)
if(NOT _status EQUAL 0)
  message(FATAL_ERROR "dlltool could not write ${IMPLIB}")
endif()
