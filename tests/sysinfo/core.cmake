pelk_add_qtest(tst_XmlHelpers
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_XmlHelpers.cpp
    LIBS pelkcore)

pelk_add_qtest(tst_InstallationData
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_InstallationData.cpp ${CMAKE_CURRENT_LIST_DIR}/RegFiles.h
    LIBS pelkcore)

pelk_add_qtest(tst_SystemProbe
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_SystemProbe.cpp
    LIBS pelkcore)

pelk_add_qtest(tst_SystemFacts
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_SystemFacts.cpp ${CMAKE_CURRENT_LIST_DIR}/RegFiles.h
            ${CMAKE_CURRENT_LIST_DIR}/FakeSystemProbe.h
    LIBS pelkcore)
