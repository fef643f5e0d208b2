pelk_add_qtest(tst_UPelkUpdaterSettings
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_UPelkUpdaterSettings.cpp
    LIBS pelkui
    GUI)
