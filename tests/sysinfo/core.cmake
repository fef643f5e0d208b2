pelk_add_qtest(tst_Clock
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_Clock.cpp
    LIBS pelkcore)

pelk_add_qtest(tst_XmlHelpers
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_XmlHelpers.cpp
    LIBS pelkcore)

pelk_add_qtest(tst_SystemProbe
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_SystemProbe.cpp
    LIBS pelkcore)
