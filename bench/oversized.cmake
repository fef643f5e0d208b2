# Oversized-reply benchmark: peak memory of PelkUpdater /SILENT against a service whose reply
# is over the cap, beside a check of the sample feed.
add_custom_target(bench_oversized
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/oversized-bench.sh ${CMAKE_BINARY_DIR}
    DEPENDS PelkUpdater
    USES_TERMINAL
    VERBATIM)
