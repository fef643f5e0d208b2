target_sources(pelkcore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/TMessageData.h
    ${CMAKE_CURRENT_LIST_DIR}/SeenMsgIDs.h
    ${CMAKE_CURRENT_LIST_DIR}/SeenMsgIDs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageTexts.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageTexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageList.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NewMessagesLine.h
    ${CMAKE_CURRENT_LIST_DIR}/NewMessagesLine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NewMessagesNotice.h
    ${CMAKE_CURRENT_LIST_DIR}/NewMessagesNotice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NewMessagesNotifier.h
    ${CMAKE_CURRENT_LIST_DIR}/MessagePage.h
    ${CMAKE_CURRENT_LIST_DIR}/MessagePage.cpp)
