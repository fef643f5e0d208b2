# The user-playing plugin of the end-to-end tests and the demo:
# <build>/plugins/generic/libpelkdriver.so, loaded with QT_PLUGIN_PATH=<build>/plugins and
# QT_QPA_GENERIC_PLUGINS=pelkdriver.
if(NOT TARGET pelkdriver)
    add_library(pelkdriver MODULE
        ${CMAKE_CURRENT_LIST_DIR}/PelkDriver.h
        ${CMAKE_CURRENT_LIST_DIR}/PelkDriver.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PelkDriverPlugin.cpp)
    set_target_properties(pelkdriver PROPERTIES
        AUTOMOC ON
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugins/generic)
    target_link_libraries(pelkdriver PRIVATE Qt6::Widgets Qt6::Gui pelk_options)
endif()
