pelk_add_qtest(tst_IniFile
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_IniFile.cpp
    LIBS pelkcore)

pelk_add_qtest(tst_Languages
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_Languages.cpp
    LIBS pelkcore)
