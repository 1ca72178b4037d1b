# cmake -DBUILD_NUMBER=<value> -DLAYER_SCRIPT=<BundleInformation.cmake> -P CheckBuildNumber.cmake
include(${LAYER_SCRIPT})
lumra_check_build_number("${BUILD_NUMBER}")
message(STATUS "build number accepted: ${BUILD_NUMBER}")
