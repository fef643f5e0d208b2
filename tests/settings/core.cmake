add_executable(regstore_writer ${CMAKE_CURRENT_LIST_DIR}/RegStoreWriter.cpp)
target_link_libraries(regstore_writer PRIVATE pelkcore)

pelk_add_qtest(tst_RegFileStore
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_RegFileStore.cpp
    LIBS pelkcore)
target_compile_definitions(tst_RegFileStore PRIVATE REGSTORE_WRITER="$<TARGET_FILE:regstore_writer>")
add_dependencies(tst_RegFileStore regstore_writer)

pelk_add_qtest(tst_PelkUpdaterUtils
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PelkUpdaterUtils.cpp
    LIBS pelkcore)

pelk_add_qtest(tst_PasswordProtection
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PasswordProtection.cpp
    LIBS pelkcore)
