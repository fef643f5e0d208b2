# Store benchmark: a settings store of 1 MB and 8 MB read and written, and a language file of
# 2,000, 16,000 and 128,000 languages turned into the language list.
add_executable(pelk_store_bench ${CMAKE_CURRENT_LIST_DIR}/StoreBench.cpp)
target_include_directories(pelk_store_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(pelk_store_bench PRIVATE pelkcore pelk_options)

add_custom_target(bench_store
    COMMAND $<TARGET_FILE:pelk_store_bench>
    DEPENDS pelk_store_bench
    USES_TERMINAL
    VERBATIM)
