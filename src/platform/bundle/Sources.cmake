include(${CMAKE_CURRENT_LIST_DIR}/BundleInformation.cmake)

set(LUMRA_VERSION_STRING "${PROJECT_VERSION}" CACHE STRING
  "The version shown to the user (CFBundleShortVersionString)")
set(LUMRA_BUILD_NUMBER "1" CACHE STRING
  "The build number compared with the update service's (CFBundleVersion); a plain integer")
set(LUMRA_BUILD_ID "" CACHE STRING "The build identifier shown in About (BuildID)")
set(LUMRA_RELEASE_DATE "" CACHE STRING
  "The release date shown in About (ReleaseDate), for example 2026-12-10")
set(LUMRA_INFO_UPDATE_API_URL "" CACHE STRING
  "The update record's address (UpdateAPIURL); LUMRA_UPDATE_API_URL overrides it at run time")
set(LUMRA_INFO_UPDATE_DOWNLOAD_BASE_URL "" CACHE STRING
  "The download area (UpdateDownloadBaseURL); LUMRA_UPDATE_DOWNLOAD_BASE_URL overrides it at run time")

lumra_check_build_number("${LUMRA_BUILD_NUMBER}")
set(LUMRA_BUNDLE_INFORMATION_ENTRIES "")
foreach(entry
    "CFBundleShortVersionString;LUMRA_VERSION_STRING"
    "CFBundleVersion;LUMRA_BUILD_NUMBER"
    "BuildID;LUMRA_BUILD_ID"
    "ReleaseDate;LUMRA_RELEASE_DATE"
    "UpdateAPIURL;LUMRA_INFO_UPDATE_API_URL"
    "UpdateDownloadBaseURL;LUMRA_INFO_UPDATE_DOWNLOAD_BASE_URL")
  list(GET entry 0 key)
  list(GET entry 1 variable)
  lumra_bundle_information_entry(LUMRA_BUNDLE_INFORMATION_ENTRIES "${key}" "${${variable}}")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/BuiltInBundleInformation.cpp.in
  ${CMAKE_CURRENT_BINARY_DIR}/bundle/BuiltInBundleInformation.cpp @ONLY)

list(APPEND platform_SOURCES
  bundle/Bundle.cpp
  bundle/ProcessInformation.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/bundle/BuiltInBundleInformation.cpp)
