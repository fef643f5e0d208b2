include(${PROJECT_SOURCE_DIR}/tests/support/support.cmake)
# Qt's private window-system interface delivers clicks the way real ones arrive.
pelk_add_qtest(tst_UPelkUpdaterMain
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_UPelkUpdaterMain.cpp
    LIBS pelkui pelk_test_support Qt6::GuiPrivate
    GUI)
target_compile_definitions(tst_UPelkUpdaterMain PRIVATE PELK_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")

# Runs the real program in a folder of its own.
pelk_add_qtest(tst_PelkUpdaterProgram
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PelkUpdaterProgram.cpp
    LIBS pelkcore
    GUI)
target_compile_definitions(tst_PelkUpdaterProgram PRIVATE
    PELK_PROGRAM="$<TARGET_FILE:PelkUpdater>"
    PELK_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
add_dependencies(tst_PelkUpdaterProgram PelkUpdater)
