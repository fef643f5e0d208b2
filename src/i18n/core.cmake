target_sources(pelkcore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/IniFile.h
    ${CMAKE_CURRENT_LIST_DIR}/IniFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Languages.h
    ${CMAKE_CURRENT_LIST_DIR}/Languages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtTranslations.h
    ${CMAKE_CURRENT_LIST_DIR}/QtTranslations.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Mnemonics.h
    ${CMAKE_CURRENT_LIST_DIR}/Mnemonics.cpp)
