list(APPEND platform_SOURCES process/BoundedOutput.cpp process/ChildProcess.cpp
  process/FreedMemory.cpp)
