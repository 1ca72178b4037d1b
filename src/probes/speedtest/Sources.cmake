list(APPEND probes_SOURCES
  speedtest/CloudflareSpeedTestRunner.cpp
  speedtest/PingProbeLatencyProber.cpp
  speedtest/SpeedTestRunnerError.cpp)
list(APPEND probes_LIBS fmt::fmt)
