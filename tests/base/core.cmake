pelk_add_qtest(tst_Clock
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_Clock.cpp
    LIBS pelkcore)
