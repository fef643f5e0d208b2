include(${PROJECT_SOURCE_DIR}/tests/support/support.cmake)

# Request and check run against a real server on 127.0.0.1; no proxy from the environment.
pelk_add_qtest(tst_UpdateRequest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_UpdateRequest.cpp
    LIBS pelk_test_support
    ENVIRONMENT "http_proxy=" "https_proxy=" "HTTP_PROXY=" "HTTPS_PROXY=" "all_proxy=" "ALL_PROXY=" "no_proxy=")

# Through a real tinyproxy; the tests set http_proxy themselves before the first request.
pelk_add_qtest(tst_UpdateProxy
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_UpdateProxy.cpp
    LIBS pelk_test_support
    ENVIRONMENT "https_proxy=" "HTTP_PROXY=" "HTTPS_PROXY=" "all_proxy=" "ALL_PROXY=" "no_proxy=" "NO_PROXY=")
pelk_add_qtest(tst_UpdateProxyDeadEnv
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_UpdateProxyDeadEnv.cpp
    LIBS pelk_test_support
    ENVIRONMENT "https_proxy=" "HTTP_PROXY=" "HTTPS_PROXY=" "all_proxy=" "ALL_PROXY=" "no_proxy=" "NO_PROXY=")

pelk_add_qtest(tst_UpdateCheck
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_UpdateCheck.cpp
    LIBS pelk_test_support
    ENVIRONMENT "http_proxy=" "https_proxy=" "HTTP_PROXY=" "HTTPS_PROXY=" "all_proxy=" "ALL_PROXY=" "no_proxy=")

# The vendor's tool against an independent Ed25519 implementation (python3-nacl), both ways.
add_test(NAME feedsign_interop
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/feedsign-interop.py $<TARGET_FILE:pelk-feedsign>)
