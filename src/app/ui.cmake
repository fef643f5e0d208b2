target_sources(pelkui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Accessibility.h
    ${CMAKE_CURRENT_LIST_DIR}/Accessibility.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Announcer.h
    ${CMAKE_CURRENT_LIST_DIR}/Announcer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DesktopNotification.h
    ${CMAKE_CURRENT_LIST_DIR}/DesktopNotification.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FocusEventRelay.h
    ${CMAKE_CURRENT_LIST_DIR}/FocusEventRelay.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinkLabel.h
    ${CMAKE_CURRENT_LIST_DIR}/LinkLabel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinkLabelAccessible.h
    ${CMAKE_CURRENT_LIST_DIR}/LinkLabelAccessible.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LogLinks.h
    ${CMAKE_CURRENT_LIST_DIR}/LogLinks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageBoxAccessible.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageBoxAccessible.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NetworkManagerConnectionCost.h
    ${CMAKE_CURRENT_LIST_DIR}/NetworkManagerConnectionCost.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Pictures.h
    ${CMAKE_CURRENT_LIST_DIR}/Pictures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UPelkUpdaterMain.h
    ${CMAKE_CURRENT_LIST_DIR}/UPelkUpdaterMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowAccessible.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowAccessible.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowTitleAnnouncer.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowTitleAnnouncer.cpp)
# The desktop's notifications and NetworkManager's word on the connection.
target_link_libraries(pelkui PUBLIC Qt6::DBus)

# The program itself: build/bin/PelkUpdater, with the example INI and service pack file beside it.
add_executable(PelkUpdater ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(PelkUpdater PRIVATE pelkui pelk_options)
target_compile_definitions(PelkUpdater PRIVATE PELK_VERSION="${PROJECT_VERSION}")
