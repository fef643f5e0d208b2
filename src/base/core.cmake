target_sources(pelkcore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/PelkError.h
    ${CMAKE_CURRENT_LIST_DIR}/FailureMessage.h
    ${CMAKE_CURRENT_LIST_DIR}/FailureMessage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileReading.h
    ${CMAKE_CURRENT_LIST_DIR}/FileReading.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramModule.h
    ${CMAKE_CURRENT_LIST_DIR}/ProgramModule.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VisibleText.h
    ${CMAKE_CURRENT_LIST_DIR}/VisibleText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextCodec.h
    ${CMAKE_CURRENT_LIST_DIR}/TextCodec.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Clock.h
    ${CMAKE_CURRENT_LIST_DIR}/Clock.cpp)
