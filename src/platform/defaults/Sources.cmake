list(APPEND platform_SOURCES
  defaults/AtomicFileWriter.cpp
  defaults/DefaultsStore.cpp)
list(APPEND platform_LIBS nlohmann_json::nlohmann_json fmt::fmt)
