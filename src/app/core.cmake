target_sources(pelkcore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CommandLine.h
    ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DisplayAvailable.h
    ${CMAKE_CURRENT_LIST_DIR}/DisplayAvailable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtArguments.h
    ${CMAKE_CURRENT_LIST_DIR}/QtArguments.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramPaths.h
    ${CMAKE_CURRENT_LIST_DIR}/ProgramPaths.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SingleRun.h
    ${CMAKE_CURRENT_LIST_DIR}/SingleRun.cpp)
