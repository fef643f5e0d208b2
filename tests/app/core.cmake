pelk_add_qtest(tst_CommandLine
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_CommandLine.cpp
    LIBS pelkcore)

pelk_add_qtest(tst_ProgramPaths
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ProgramPaths.cpp
    LIBS pelkcore)
