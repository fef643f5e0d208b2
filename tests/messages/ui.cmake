pelk_add_qtest(tst_UPelkUpdaterMessages
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_UPelkUpdaterMessages.cpp
    LIBS pelkui pelkpageview Qt6::GuiPrivate
    GUI HTML_ENGINE)
pelk_add_qtest(tst_PageEngineStart SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PageEngineStart.cpp LIBS pelkui)
