# The vendor's signing tool: build/bin/pelk-feedsign, installed beside the program.
if(NOT TARGET pelk-feedsign)
    add_executable(pelk-feedsign ${CMAKE_CURRENT_LIST_DIR}/FeedSignTool.cpp)
    target_link_libraries(pelk-feedsign PRIVATE pelkcore pelk_options)
endif()
