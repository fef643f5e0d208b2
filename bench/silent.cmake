# Silent-run benchmark: PelkUpdater /SILENT against the local sample service, finding nothing
# new, against the empty window of the start-up benchmark.
add_executable(pelk_seed_seen ${CMAKE_CURRENT_LIST_DIR}/SeedSeen.cpp)
target_link_libraries(pelk_seed_seen PRIVATE pelkcore pelk_options)

add_custom_target(bench_silent
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/silent-bench.sh ${CMAKE_BINARY_DIR}
    DEPENDS PelkUpdater pelk_empty_window pelk_seed_seen
    USES_TERMINAL
    VERBATIM)
