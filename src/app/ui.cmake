target_sources(pelkui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/LinkLabel.h
    ${CMAKE_CURRENT_LIST_DIR}/LinkLabel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LogLinks.h
    ${CMAKE_CURRENT_LIST_DIR}/LogLinks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PelkFonts.h
    ${CMAKE_CURRENT_LIST_DIR}/PelkFonts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Pictures.h
    ${CMAKE_CURRENT_LIST_DIR}/Pictures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UPelkUpdaterMain.h
    ${CMAKE_CURRENT_LIST_DIR}/UPelkUpdaterMain.cpp)

