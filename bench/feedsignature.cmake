# Signed feed benchmark: the signature of a 1 MiB feed checked, and the whole verification.
add_executable(pelk_feedsignature_bench ${CMAKE_CURRENT_LIST_DIR}/FeedSignatureBench.cpp)
target_link_libraries(pelk_feedsignature_bench PRIVATE pelkcore pelk_options)

add_custom_target(bench_feedsignature
    COMMAND $<TARGET_FILE:pelk_feedsignature_bench>
    DEPENDS pelk_feedsignature_bench
    USES_TERMINAL
    VERBATIM)
