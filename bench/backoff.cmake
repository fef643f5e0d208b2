# Back-off simulation: what 1,000 clients send to a service that answers 503 for an hour,
# with and without the back-off of automatic checks. Quick enough to run with the tests.
add_executable(pelk_backoff_simulation ${CMAKE_CURRENT_LIST_DIR}/BackOffSimulation.cpp)
target_link_libraries(pelk_backoff_simulation PRIVATE pelkcore pelk_options)
add_test(NAME BackOffSimulation COMMAND pelk_backoff_simulation)

add_custom_target(bench_backoff
    COMMAND $<TARGET_FILE:pelk_backoff_simulation>
    DEPENDS pelk_backoff_simulation
    USES_TERMINAL
    VERBATIM)
