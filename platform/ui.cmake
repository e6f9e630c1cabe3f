# The user-interface side: the real backend on Windows, the simulated one natively
# (inside ZelSim, so the program and its tests share one set of windows).
if(WIN32)
  add_library(zel_ui STATIC win32/ui.cpp win32/menu.cpp win32/dialog.cpp win32/paint.cpp win32/controls.cpp
    win32/dialog_geometry.cpp)
  target_link_libraries(zel_ui PUBLIC zel_platform_headers zel_library user32 comctl32 shell32 gdi32)
  zel_defaults(zel_ui)
else()
  target_sources(ZelSim PRIVATE ${CMAKE_CURRENT_LIST_DIR}/sim/src/ui_backend.cpp ${CMAKE_CURRENT_LIST_DIR}/sim/src/menu_backend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sim/src/dialog_backend.cpp ${CMAKE_CURRENT_LIST_DIR}/sim/src/paint_backend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sim/src/controls_backend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sim/src/dialog_geometry_backend.cpp)
  add_library(zel_ui INTERFACE)
  target_link_libraries(zel_ui INTERFACE ZelSim)
endif()
