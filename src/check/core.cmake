target_sources(pelkcore PRIVATE CheckHost.h CheckContext.h UpdateCheck.h UpdateCheck.cpp)
