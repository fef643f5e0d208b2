target_sources(pelkui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/LanguageComboBox.h
    ${CMAKE_CURRENT_LIST_DIR}/LanguageComboBox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LanguageComboBoxAccessible.h
    ${CMAKE_CURRENT_LIST_DIR}/LanguageComboBoxAccessible.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LanguageItemDelegate.h
    ${CMAKE_CURRENT_LIST_DIR}/LanguageItemDelegate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowTitle.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowTitle.cpp)
