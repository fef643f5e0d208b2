target_sources(pelkui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ErrorBox.h
    ${CMAKE_CURRENT_LIST_DIR}/ErrorBox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ContextMenuKey.h
    ${CMAKE_CURRENT_LIST_DIR}/ContextMenuKey.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FocusFrame.h
    ${CMAKE_CURRENT_LIST_DIR}/FocusFrame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PelkFonts.h
    ${CMAKE_CURRENT_LIST_DIR}/PelkFonts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowParts.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowParts.cpp)
