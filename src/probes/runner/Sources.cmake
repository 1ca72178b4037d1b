list(APPEND probes_SOURCES
  runner/CommandRunnerError.cpp
  runner/ShellCommandRunner.cpp
  runner/Utf8.cpp)
list(APPEND probes_LIBS fmt::fmt)
