list(APPEND probes_SOURCES
  runner/CommandRunnerError.cpp
  runner/ShellCommandRunner.cpp)
list(APPEND probes_LIBS fmt::fmt)
