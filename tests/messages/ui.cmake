include(${PROJECT_SOURCE_DIR}/tests/support/support.cmake)
pelk_add_qtest(tst_UPelkUpdaterMessages
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_UPelkUpdaterMessages.cpp
    LIBS pelkui pelkpageview pelk_test_support Qt6::GuiPrivate
    GUI HTML_ENGINE)
pelk_add_qtest(tst_PageEngineStart SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PageEngineStart.cpp LIBS pelkui)
