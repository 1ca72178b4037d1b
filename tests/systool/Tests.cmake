# Tests of lumra-systool.
#   systool_test        the readers and formatters on fixture tables (core)
#   systool_cli_test    the built program: dispatch, refusals, ping on
#                       loopback, termination (core)
#   systool_bus_test    scutil against a fake NetworkManager on a private bus
#   systool_netns_test  the program against the kernel inside a client and a
#                       router namespace that fixtures create and remove
set(LUMRA_SYSTOOL_FIXTURES ${PROJECT_SOURCE_DIR}/tests/fixtures/systool)

lumra_add_test(systool_test
  SOURCES
    IfconfigTest.cpp
    NetstatRoutesTest.cpp
    NetstatTcpTest.cpp
    NetworkConnectionListTest.cpp
    PingCommandTest.cpp
    ToolInvocationTest.cpp
    ToolOutputRules.cpp
  LIBS lumra_systool PkgConfig::PCRE2
  LABELS core)
target_compile_definitions(systool_test PRIVATE LUMRA_SYSTOOL_FIXTURES="${LUMRA_SYSTOOL_FIXTURES}")

lumra_add_test(systool_cli_test
  SOURCES
    ChildProcess.cpp
    SystoolCliTest.cpp
    ToolOutputRules.cpp
  LIBS lumra_systool_path PkgConfig::PCRE2
  LABELS core)
add_dependencies(systool_cli_test lumra-systool)
