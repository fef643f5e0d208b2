target_sources(pelkui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/DesktopUrlOpener.h
    ${CMAKE_CURRENT_LIST_DIR}/DesktopUrlOpener.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageListModel.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageListModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageDisplay.h
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageModule.h
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageModule.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PageEngineStart.h
    ${CMAKE_CURRENT_LIST_DIR}/PageEngineStart.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UPelkUpdaterMessages.h
    ${CMAKE_CURRENT_LIST_DIR}/UPelkUpdaterMessages.cpp)

# The message page on the HTML engine, apart from the windows: the program loads it as the
# module PelkMessagePage.so beside itself when the messages window is first shown, so that a
# start or a silent run never loads the engine. Tests link the same code directly.
add_library(pelkpageview STATIC
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageScheme.h
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageScheme.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageSchemeHandler.h
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageSchemeHandler.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageRequestFilter.h
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageRequestFilter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageWebPage.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageWebPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageView.h
    ${CMAKE_CURRENT_LIST_DIR}/MessagePageView.cpp)
set_target_properties(pelkpageview PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(pelkpageview PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(pelkpageview PUBLIC Qt6::WebEngineWidgets pelk_options)

pelk_add_program_module(pelkmessagepage PelkMessagePage ${CMAKE_CURRENT_LIST_DIR}/MessagePageModuleMain.cpp
                        pelkpageview)
