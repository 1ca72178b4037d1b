list(APPEND probes_SOURCES ping/CommandLinePingProbeRunner.cpp support/ToolOutput.cpp)
