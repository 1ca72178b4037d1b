# Pure parsers of the system tools' output.
list(APPEND probes_SOURCES
  parsers/CommandParsingError.cpp
  parsers/DefaultRouteGatewayParser.cpp
  parsers/DigQueryTimeParser.cpp
  parsers/IPAddressValidation.cpp
  parsers/IPv4AddressOutputParser.cpp
  parsers/PingSummaryParser.cpp
  parsers/Regex.cpp
  parsers/TCPStateCountsParser.cpp
  parsers/ToolOutputText.cpp
  parsers/TunnelInterfacesParser.cpp
  parsers/VPNRoutesParser.cpp
  parsers/VPNServiceListParser.cpp)
list(APPEND probes_LIBS PkgConfig::PCRE2 fmt::fmt)
