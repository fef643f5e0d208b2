# List benchmark: a generated feed of 10,000 and 100,000 messages, half of them seen,
# counted and filled into the messages window offscreen.
add_executable(pelk_messages_bench ${CMAKE_CURRENT_LIST_DIR}/MessagesBench.cpp)
target_link_libraries(pelk_messages_bench PRIVATE pelkui pelkpageview pelk_options)

add_custom_target(bench_messages
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
            "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --no-sandbox" $<TARGET_FILE:pelk_messages_bench>
    DEPENDS pelk_messages_bench
    USES_TERMINAL
    VERBATIM)
