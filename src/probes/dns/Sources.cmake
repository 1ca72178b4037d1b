list(APPEND probes_SOURCES dns/CommandLineDNSLookupRunner.cpp)
