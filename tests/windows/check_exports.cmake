# Asserts that a DLL exports exactly the expected names, undecorated.
#   cmake -DOBJDUMP=<objdump> -DDLL=<file> -DEXPECTED=<name,name,...> -P check_exports.cmake
foreach(variable OBJDUMP DLL EXPECTED)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "check_exports: ${variable} is not set")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${DLL}
  OUTPUT_VARIABLE dump ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed (${result}): ${errors}")
endif()

# The name table follows this heading, one "[ index] name" line per export, and ends
# at the first blank line.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${DLL} has no export name table")
endif()
string(SUBSTRING "${dump}" ${start} -1 table)
string(FIND "${table}" "\n\n" end)
if(NOT end EQUAL -1)
  string(SUBSTRING "${table}" 0 ${end} table)
endif()
string(REGEX MATCHALL "\n[ \t]*\\[ *[0-9]+\\][^\n]*" lines "${table}")

set(exported "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^\n[ \t]*\\[ *[0-9]+\\][ \t]*" "" name "${line}")
  string(STRIP "${name}" name)
  list(APPEND exported "${name}")
endforeach()

string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT expected)
set(sorted ${exported})
list(SORT sorted)
if(NOT sorted STREQUAL expected)
  message(FATAL_ERROR "${DLL} exports [${exported}], expected exactly [${expected}]")
endif()
message(STATUS "${DLL} exports exactly: ${exported}")
