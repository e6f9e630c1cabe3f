# The simulated machine's own sources (machine, events, faults, files), shared by the ZelSim
# library and by the test-only stand-in device API, which links them into one module.
set(ZEL_SIM_MACHINE_SOURCES
  accounting.cpp builder.cpp call_log.cpp cm_backend.cpp default_machine.cpp disk_backend.cpp
  events.cpp faults.cpp files_backend.cpp installer_backend.cpp io_backend.cpp json_machine.cpp
  holders_backend.cpp json_system.cpp layout_answer.cpp model.cpp process_model.cpp registry_model.cpp removal_model.cpp
  setup_backend.cpp state.cpp tree_index.cpp working_files.cpp)
list(TRANSFORM ZEL_SIM_MACHINE_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/src/)
set(ZEL_SIM_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})

# JSON machine files are read with Debian's header-only nlohmann/json. A private copy in
# the build tree keeps the host's /usr/include off the include path of cross builds.
set(ZEL_NLOHMANN_JSON_DIR /usr/include/nlohmann CACHE PATH "nlohmann/json headers (nlohmann-json3-dev)")
if(NOT EXISTS ${ZEL_NLOHMANN_JSON_DIR}/json.hpp)
  message(FATAL_ERROR "nlohmann/json not found in ${ZEL_NLOHMANN_JSON_DIR}: install nlohmann-json3-dev")
endif()
set(ZEL_JSON_INCLUDE_DIR ${CMAKE_BINARY_DIR}/third_party)
file(COPY ${ZEL_NLOHMANN_JSON_DIR} DESTINATION ${ZEL_JSON_INCLUDE_DIR})
