# The information table of the build: cache variables, checked when the
# build is configured, written into BuiltInBundleInformation.cpp. Only
# functions here, so a script (cmake -P) can check values the same way.

# Fails unless value is a plain integer: decimal digits only, no sign, no
# leading zero, small enough for a signed 64-bit number.
function(lumra_check_build_number value)
  if(NOT value MATCHES "^(0|[1-9][0-9]*)$")
    message(FATAL_ERROR "LUMRA_BUILD_NUMBER must be a plain integer (digits only), not \"${value}\"")
  endif()
  string(LENGTH "${value}" digits)
  if(digits GREATER 18)
    message(FATAL_ERROR "LUMRA_BUILD_NUMBER is too large: \"${value}\"")
  endif()
endfunction()

# The text of a C++ string literal holding value.
function(lumra_cxx_string_literal value out)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  string(REPLACE "\n" "\\n" value "${value}")
  string(REPLACE "\r" "\\r" value "${value}")
  string(REPLACE "\t" "\\t" value "${value}")
  set(${out} "\"${value}\"" PARENT_SCOPE)
endfunction()

# Appends to the variable named by out one line that puts key -> value into
# the table, or nothing when value is empty (an empty key reads as missing).
function(lumra_bundle_information_entry out key value)
  if(value STREQUAL "")
    return()
  endif()
  lumra_cxx_string_literal("${key}" key_literal)
  lumra_cxx_string_literal("${value}" value_literal)
  set(${out} "${${out}}    info.emplace(${key_literal}, ${value_literal});\n" PARENT_SCOPE)
endfunction()

# The cache variables of the table, checked, written into output (the
# BuiltInBundleInformation.cpp the platform library compiles).
function(lumra_write_bundle_information output)
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
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/BuiltInBundleInformation.cpp.in ${output} @ONLY)
endfunction()
