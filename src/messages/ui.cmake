target_sources(pelkui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/DesktopUrlOpener.h
    ${CMAKE_CURRENT_LIST_DIR}/DesktopUrlOpener.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageListModel.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageListModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageScheme.h
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageScheme.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageSchemeHandler.h
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageSchemeHandler.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageWebPage.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageWebPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageView.h
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UPelkUpdaterMessages.h
    ${CMAKE_CURRENT_LIST_DIR}/UPelkUpdaterMessages.cpp)
