# Test helpers shared by the check and end-to-end tests: the HTTP server, the tinyproxy
# harness and the wiring of a check, with the network code linked directly. Included from every folder that needs them.
if(NOT TARGET pelk_test_support)
    add_library(pelk_test_support STATIC
        ${CMAKE_CURRENT_LIST_DIR}/TestHttpServer.h
        ${CMAKE_CURRENT_LIST_DIR}/TestHttpServer.cpp
        ${CMAKE_CURRENT_LIST_DIR}/TinyProxy.h
        ${CMAKE_CURRENT_LIST_DIR}/TinyProxy.cpp
        ${CMAKE_CURRENT_LIST_DIR}/CheckFixture.h
        ${CMAKE_CURRENT_LIST_DIR}/CheckFixture.cpp
        ${CMAKE_CURRENT_LIST_DIR}/XServer.h
        ${CMAKE_CURRENT_LIST_DIR}/XServer.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PrivateBus.h
        ${CMAKE_CURRENT_LIST_DIR}/PrivateBus.cpp

        ${CMAKE_CURRENT_LIST_DIR}/Failures.h)
    set_target_properties(pelk_test_support PROPERTIES AUTOMOC ON)
    target_include_directories(pelk_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(pelk_test_support PUBLIC pelkcore pelknetwork pelk_options Qt6::DBus Qt6::Test)
    target_compile_definitions(pelk_test_support PUBLIC PELK_TLS_DIR="${CMAKE_CURRENT_LIST_DIR}/tls")
endif()
