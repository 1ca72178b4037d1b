list(APPEND platform_SOURCES desktop/AllowListedURLOpener.cpp)
