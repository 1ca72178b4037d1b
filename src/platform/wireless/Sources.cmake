list(APPEND platform_SOURCES
  wireless/GenlSocket.cpp
  wireless/NetlinkAttributes.cpp
  wireless/Nl80211Client.cpp
  wireless/Nl80211Messages.cpp
  wireless/ServiceScanRequest.cpp
  wireless/TransmitRate.cpp
  wireless/WirelessChannel.cpp
  wireless/WirelessError.cpp
  wireless/WirelessText.cpp
)
list(APPEND platform_LIBS PkgConfig::LIBNL fmt::fmt)
