# Tests of lumra-systool.
#   systool_test        the readers and formatters on fixture tables (core)
#   systool_cli_test    the built program: dispatch, refusals, ping on
#                       loopback, termination (core)
#   systool_bus_test    scutil against a fake NetworkManager on a private bus
#   systool_netns_test  the program against the kernel inside a client and a
#                       router namespace that fixtures create and remove, and
#                       its dig beside the real one against a local server
set(LUMRA_SYSTOOL_FIXTURES ${PROJECT_SOURCE_DIR}/tests/fixtures/systool)

lumra_add_test(systool_test
  SOURCES
    DnsMessageTest.cpp
    IfconfigTest.cpp
    NetstatRoutesTest.cpp
    NetstatTcpTest.cpp
    NetworkConnectionListTest.cpp
    PingCommandTest.cpp
    TcpSocketDiagTest.cpp
    ToolInvocationTest.cpp
    ToolOutputRules.cpp
  LIBS lumra_systool PkgConfig::PCRE2
  LABELS core)
target_compile_definitions(systool_test PRIVATE LUMRA_SYSTOOL_FIXTURES="${LUMRA_SYSTOOL_FIXTURES}")

lumra_add_test(systool_cli_test
  SOURCES
    SystoolCliTest.cpp
    ToolOutputRules.cpp
  LIBS lumra_systool_path lumra_test_support PkgConfig::PCRE2
  LABELS core)

# The namespace test: its binary runs wholly inside the client namespace.
# Names carry a hash of the build directory so that build trees do not meet.
string(MD5 LUMRA_SYSTOOL_NETNS_HASH "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${LUMRA_SYSTOOL_NETNS_HASH}" 0 8 LUMRA_SYSTOOL_NETNS_HASH)
set(LUMRA_SYSTOOL_CLIENT_NS lumra_systool_c_${LUMRA_SYSTOOL_NETNS_HASH})
set(LUMRA_SYSTOOL_ROUTER_NS lumra_systool_r_${LUMRA_SYSTOOL_NETNS_HASH})
# Interface names the BSD ifconfig header can carry (letters and digits).
set(LUMRA_SYSTOOL_CLIENT_IF lsc${LUMRA_SYSTOOL_NETNS_HASH})
set(LUMRA_SYSTOOL_ROUTER_IF lsr${LUMRA_SYSTOOL_NETNS_HASH})
find_program(LUMRA_IP_PROGRAM ip PATHS /usr/sbin /sbin)
if(NOT LUMRA_IP_PROGRAM)
  set(LUMRA_IP_PROGRAM ip)
endif()
set(LUMRA_SYSTOOL_NETNS_ARGS
  ${LUMRA_SYSTOOL_CLIENT_NS} ${LUMRA_SYSTOOL_ROUTER_NS} ${LUMRA_SYSTOOL_CLIENT_IF} ${LUMRA_SYSTOOL_ROUTER_IF})

lumra_add_namespace_test(systool_netns_test
  SOURCES
    DigNetnsTest.cpp
    PingNetnsTest.cpp
    SystoolNetnsTest.cpp
    ToolOutputRules.cpp
  LIBS lumra_systool lumra_systool_path lumra_test_support PkgConfig::PCRE2
  SETUP sh ${CMAKE_CURRENT_SOURCE_DIR}/netns.sh setup ${LUMRA_SYSTOOL_NETNS_ARGS}
  CLEANUP sh ${CMAKE_CURRENT_SOURCE_DIR}/netns.sh cleanup ${LUMRA_SYSTOOL_NETNS_ARGS}
  RUN ${LUMRA_IP_PROGRAM} netns exec ${LUMRA_SYSTOOL_CLIENT_NS}
  LABELS netns
  ENVIRONMENT LUMRA_SYSTOOL_NETNS_IF=${LUMRA_SYSTOOL_CLIENT_IF})
target_compile_definitions(systool_netns_test PRIVATE
  LUMRA_DIG_TEST_SERVER="${CMAKE_CURRENT_SOURCE_DIR}/dns_server.py")
# libstdc++'s std::regex trips g++ 12's maybe-uninitialized warning at -O1
# under the sanitizers (a false positive inside <regex>).
target_compile_options(systool_netns_test PRIVATE -Wno-maybe-uninitialized)

lumra_add_test(systool_bus_test
  SOURCES
    SystoolBusTest.cpp
    ToolOutputRules.cpp
  LIBS lumra_systool_path lumra_probes lumra_test_support PkgConfig::PCRE2
  LABELS dbus)
target_compile_definitions(systool_bus_test PRIVATE
  LUMRA_FAKE_NETWORK_MANAGER="${CMAKE_CURRENT_SOURCE_DIR}/fake_network_manager.py")
