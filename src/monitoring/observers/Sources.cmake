list(APPEND monitoring_SOURCES
  observers/NWPathNetworkChangeObserver.cpp
  observers/WorkspaceSleepWakeObserver.cpp)
