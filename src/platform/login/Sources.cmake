list(APPEND platform_SOURCES
  login/DesktopEntryExec.cpp
  login/XdgAutostartLoginItem.cpp)
list(APPEND platform_LIBS fmt::fmt)
