target_sources(pelkcore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CheckHost.h
    ${CMAKE_CURRENT_LIST_DIR}/CheckContext.h
    ${CMAKE_CURRENT_LIST_DIR}/RequestLimits.h
    ${CMAKE_CURRENT_LIST_DIR}/HttpExchange.h
    ${CMAKE_CURRENT_LIST_DIR}/HttpExchange.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BoundedLookupProbe.h
    ${CMAKE_CURRENT_LIST_DIR}/BoundedLookupProbe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProxyChoice.h
    ${CMAKE_CURRENT_LIST_DIR}/ProxyChoice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateRequest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateCheck.h
    ${CMAKE_CURRENT_LIST_DIR}/UpdateCheck.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UserInputBlocker.h
    ${CMAKE_CURRENT_LIST_DIR}/UserInputBlocker.cpp)
