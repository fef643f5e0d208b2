# Start-up benchmark: PelkUpdater until its main window is painted, against a bare window with
# the main window's controls and texts (wall time) and an empty window (peak memory).
add_executable(pelk_empty_window ${CMAKE_CURRENT_LIST_DIR}/EmptyWindow.cpp)
target_link_libraries(pelk_empty_window PRIVATE Qt6::Widgets pelk_options)
# The program's own fonts, so that the yardstick's texts take the same room.
add_executable(pelk_controls_window ${CMAKE_CURRENT_LIST_DIR}/ControlsWindow.cpp ${PROJECT_SOURCE_DIR}/src/base/PelkFonts.cpp)
target_include_directories(pelk_controls_window PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(pelk_controls_window PRIVATE Qt6::Widgets pelk_options)

add_custom_target(bench_startup
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/startup-bench.sh ${CMAKE_BINARY_DIR}
    DEPENDS PelkUpdater pelk_empty_window pelk_controls_window
    USES_TERMINAL
    VERBATIM)
