target_sources(pelkui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/UPelkUpdaterSettings.h
    ${CMAKE_CURRENT_LIST_DIR}/UPelkUpdaterSettings.cpp)
