list(APPEND platform_SOURCES power/LogindSleepSource.cpp)
