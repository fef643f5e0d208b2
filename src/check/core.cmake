target_sources(pelkcore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/AutomaticCheckBackOff.h
    ${CMAKE_CURRENT_LIST_DIR}/AutomaticCheckBackOff.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CheckHost.h
    ${CMAKE_CURRENT_LIST_DIR}/CheckContext.h
    ${CMAKE_CURRENT_LIST_DIR}/ConnectionCost.h
    ${CMAKE_CURRENT_LIST_DIR}/RequestLimits.h
    ${CMAKE_CURRENT_LIST_DIR}/EventLoopWait.h
    ${CMAKE_CURRENT_LIST_DIR}/HttpTransport.h
    ${CMAKE_CURRENT_LIST_DIR}/NetworkModule.h
    ${CMAKE_CURRENT_LIST_DIR}/NetworkModule.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BoundedLookupProbe.h
    ${CMAKE_CURRENT_LIST_DIR}/BoundedLookupProbe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProxyRoute.h
    ${CMAKE_CURRENT_LIST_DIR}/ProxyRoute.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FeedKeys.h
    ${CMAKE_CURRENT_LIST_DIR}/FeedKeys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FeedSignature.h
    ${CMAKE_CURRENT_LIST_DIR}/FeedSignature.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FeedSigningKey.h
    ${CMAKE_CURRENT_LIST_DIR}/FeedSigningKey.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SignedFeed.h
    ${CMAKE_CURRENT_LIST_DIR}/SignedFeed.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReplyFeed.h
    ${CMAKE_CURRENT_LIST_DIR}/ReplyFeed.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FeedReply.h
    ${CMAKE_CURRENT_LIST_DIR}/FeedReply.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateRequest.h
    ${CMAKE_CURRENT_LIST_DIR}/UpdateRequest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateRequestText.h
    ${CMAKE_CURRENT_LIST_DIR}/UpdateRequestText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateCheck.h
    ${CMAKE_CURRENT_LIST_DIR}/UpdateCheck.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UserInputBlocker.h
    ${CMAKE_CURRENT_LIST_DIR}/UserInputBlocker.cpp)

# Qt's network stack, apart from the core: the program loads it as the module PelkNetwork.so
# beside itself with the first check, so that a start that checks nothing never loads it.
# Tests link the same code directly.
add_library(pelknetwork STATIC
    ${CMAKE_CURRENT_LIST_DIR}/HttpExchange.h
    ${CMAKE_CURRENT_LIST_DIR}/HttpExchange.cpp)
set_target_properties(pelknetwork PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(pelknetwork PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(pelknetwork PUBLIC Qt6::Network pelk_options)

pelk_add_program_module(pelknetworkmodule PelkNetwork ${CMAKE_CURRENT_LIST_DIR}/NetworkModuleMain.cpp pelknetwork)
