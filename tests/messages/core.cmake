pelk_add_qtest(tst_SeenMsgIDs SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_SeenMsgIDs.cpp LIBS pelkcore)
pelk_add_qtest(tst_MessageFeed SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_MessageFeed.cpp LIBS pelkcore)
pelk_add_qtest(tst_MessagePage SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_MessagePage.cpp LIBS pelkcore)
