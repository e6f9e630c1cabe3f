# Values written through the real registry backend, read back by Wine's own `reg query`.
# -DEMULATOR=wine -DHELPER=system_helper.exe -DKEY=Software\ZelSATATest\RegQuery
foreach(var EMULATOR HELPER KEY)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

execute_process(COMMAND ${EMULATOR} ${HELPER} write-registry ${KEY} RESULT_VARIABLE written)
execute_process(COMMAND ${EMULATOR} reg query "HKLM\\${KEY}" OUTPUT_VARIABLE listing RESULT_VARIABLE queried)
execute_process(COMMAND ${EMULATOR} reg delete "HKLM\\${KEY}" /f OUTPUT_QUIET ERROR_QUIET)

if(NOT written EQUAL 0)
  message(FATAL_ERROR "writing through the backend failed: ${written}")
endif()
if(NOT queried EQUAL 0)
  message(FATAL_ERROR "reg query failed: ${queried}\n${listing}")
endif()
# A REG_SZ written without its terminator reads as its four characters.
foreach(expected "Version[ \t]+REG_SZ[ \t]+1\\.15\r?\n" "AutoRun[ \t]+REG_DWORD[ \t]+0x1\r?\n"
                 "Flags[ \t]+REG_BINARY[ \t]+01\r?\n")
  if(NOT listing MATCHES "${expected}")
    message(FATAL_ERROR "reg query shows no match for ${expected}:\n${listing}")
  endif()
endforeach()
message(STATUS "reg query:\n${listing}")
