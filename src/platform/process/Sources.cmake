list(APPEND platform_SOURCES process/ChildProcess.cpp)
