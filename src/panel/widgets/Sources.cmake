list(APPEND panel_SOURCES widgets/ContentView.cpp)
