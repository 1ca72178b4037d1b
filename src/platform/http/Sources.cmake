list(APPEND platform_SOURCES
  http/CurlHttpClient.cpp
  http/CurlMultiDriver.cpp
  http/CurlTransfer.cpp
  http/HttpError.cpp
  http/HttpHeaders.cpp)
list(APPEND platform_LIBS CURL::libcurl fmt::fmt)
