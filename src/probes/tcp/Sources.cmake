list(APPEND probes_SOURCES tcp/CommandLineTCPConnectionCounter.cpp)
