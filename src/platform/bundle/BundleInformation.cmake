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
