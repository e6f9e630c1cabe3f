# The version the backend reports when Wine is set to present another Windows to one
# program (HKCU\Software\Wine\AppDefaults\<program>\Version), which leaves every other
# program of the prefix alone. -DEMULATOR=wine -DHELPER=.../system_helper.exe
foreach(var EMULATOR HELPER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

get_filename_component(program ${HELPER} NAME)
set(app_key "HKCU\\Software\\Wine\\AppDefaults\\${program}")
set(failures "")
foreach(pair "winxp=5.1.2600" "win2k=5.0.2195")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 setting)
  list(GET pair 1 expected)
  execute_process(COMMAND ${EMULATOR} reg add "${app_key}" /v Version /d ${setting} /f OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND ${EMULATOR} ${HELPER} version OUTPUT_VARIABLE reported RESULT_VARIABLE rc
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${EMULATOR} reg delete "${app_key}" /f OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 0 OR NOT reported STREQUAL expected)
    string(APPEND failures "Version=${setting}: expected ${expected}, got '${reported}' (exit ${rc})\n")
  else()
    message(STATUS "Version=${setting}: ${reported}")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
