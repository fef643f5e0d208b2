pelk_add_qtest(tst_LanguageComboBox
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_LanguageComboBox.cpp
    LIBS pelkui
    GUI)
