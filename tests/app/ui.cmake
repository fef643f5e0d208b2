include(${PROJECT_SOURCE_DIR}/tests/support/support.cmake)
# Qt's private window-system interface delivers clicks the way real ones arrive.
pelk_add_qtest(tst_UPelkUpdaterMain
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_UPelkUpdaterMain.cpp
    LIBS pelkui pelk_test_support Qt6::GuiPrivate
    GUI)
target_compile_definitions(tst_UPelkUpdaterMain PRIVATE PELK_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
# Its keyboard cases again with keys pressed on a real X server.
add_test(NAME tst_UPelkUpdaterMain_keys
    COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:tst_UPelkUpdaterMain> keyboardUse)
set_tests_properties(tst_UPelkUpdaterMain_keys PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=xcb;LC_ALL=C.UTF-8;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg/keys/config;XDG_CONFIG_DIRS=${CMAKE_CURRENT_BINARY_DIR}/xdg/keys/etc;HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg/keys/home")

# Runs the real program in a folder of its own.
pelk_add_qtest(tst_PelkUpdaterProgram
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PelkUpdaterProgram.cpp
    LIBS pelkcore pelk_test_support
    GUI)
target_compile_definitions(tst_PelkUpdaterProgram PRIVATE
    PELK_PROGRAM="$<TARGET_FILE:PelkUpdater>"
    PELK_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
add_dependencies(tst_PelkUpdaterProgram PelkUpdater)
