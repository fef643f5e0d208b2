include(${PROJECT_SOURCE_DIR}/tests/support/support.cmake)

# Request and check run against a real server on 127.0.0.1; no proxy from the environment.
pelk_add_qtest(tst_UpdateRequest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_UpdateRequest.cpp
    LIBS pelk_test_support
    ENVIRONMENT "http_proxy=" "https_proxy=" "HTTP_PROXY=" "HTTPS_PROXY=" "all_proxy=" "ALL_PROXY=" "no_proxy=")
