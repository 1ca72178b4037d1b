# Project helpers: one library per layer, linked only downwards, and one
# helper for test executables.

# The layers each layer may use (directly or through another). The Qt-free core
# is a chain; the Qt side sits on top of it. A row may name a part of a layer
# with a target of its own (export/window); cmake/CheckLayers.cmake reads this
# table, so keep one row per line.
set(LUMRA_LAYER_DEPS_base "")
set(LUMRA_LAYER_DEPS_model base)
set(LUMRA_LAYER_DEPS_viewkit base model)
set(LUMRA_LAYER_DEPS_concurrency base model)
set(LUMRA_LAYER_DEPS_platform base model concurrency)
set(LUMRA_LAYER_DEPS_probes base model concurrency platform)
set(LUMRA_LAYER_DEPS_monitoring base model concurrency platform probes)
set(LUMRA_LAYER_DEPS_shell base model concurrency platform probes monitoring)
set(LUMRA_LAYER_DEPS_export base model viewkit concurrency platform probes monitoring shell)
set(LUMRA_LAYER_DEPS_qt base model viewkit concurrency platform probes monitoring shell)
set(LUMRA_LAYER_DEPS_export/window base model viewkit concurrency platform probes monitoring shell export qt)
set(LUMRA_LAYER_DEPS_panel base model viewkit concurrency platform probes monitoring shell export qt)
set(LUMRA_LAYER_DEPS_windows base model viewkit concurrency platform probes monitoring shell export qt panel)
set(LUMRA_LAYER_DEPS_app base model viewkit concurrency platform probes monitoring shell export export/window qt panel windows)
# lumra-systool is a program of its own, the stand-in for the system's
# command-line tools: its OS calls are its purpose, and it uses no layer but
# base.
set(LUMRA_LAYER_DEPS_systool base)
# Rows whose files include no Qt header (every viewmodel/ directory too).
set(LUMRA_QT_FREE_LAYERS base model viewkit concurrency platform probes monitoring shell export systool)

# lumra_add_layer(NAME SOURCES ... [DEPENDS layer...] [LIBS target...])
# Builds lumra_<NAME> from src/<NAME>. DEPENDS must be lower layers; every
# layer but base links base.
# TARGET names a second library of the same layer (its Qt-free view-models,
# say); it defaults to lumra_<NAME>.
function(lumra_add_layer name)
  cmake_parse_arguments(ARG "" "TARGET" "SOURCES;DEPENDS;LIBS" ${ARGN})
  if(NOT ARG_TARGET)
    set(ARG_TARGET lumra_${name})
  endif()
  foreach(dep IN LISTS ARG_DEPENDS)
    if(NOT dep IN_LIST LUMRA_LAYER_DEPS_${name})
      message(FATAL_ERROR "layer ${name} may not link layer ${dep}")
    endif()
  endforeach()
  add_library(${ARG_TARGET} STATIC ${ARG_SOURCES})
  target_include_directories(${ARG_TARGET} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(NOT name STREQUAL "base")
    list(APPEND ARG_DEPENDS base)
  endif()
  list(TRANSFORM ARG_DEPENDS PREPEND lumra_ OUTPUT_VARIABLE dep_targets)
  target_link_libraries(${ARG_TARGET} PUBLIC ${dep_targets} ${ARG_LIBS})
endfunction()

# lumra_add_test(NAME SOURCES ... LIBS ... [LABELS ...] [ENVIRONMENT ...])
# Tests labelled core are Qt-free and also run under the sanitizer presets.
# Test and bench helpers are included by their path from the top
# ("tests/support/TempDir.h"), so none can pass for a header of src/.
function(lumra_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS "${ARG_LABELS}"
    TIMEOUT 300
    ENVIRONMENT "XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/runtime;${ARG_ENVIRONMENT}")
endfunction()

# Fails the build when a source includes a header of a layer it may not use.
add_custom_target(check_layers ALL
  COMMAND ${CMAKE_COMMAND} -DSRC=${PROJECT_SOURCE_DIR}/src
          -DLAYERS_FILE=${PROJECT_SOURCE_DIR}/cmake/Lumra.cmake
          -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake
  COMMENT "Checking the include arrows between layers"
  VERBATIM)
# g++ 12 destroys lambdas and brace-initialised temporaries inside a co_await
# expression twice; this keeps them out of the code.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_target(check_coroutine_temporaries ALL
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/check_coroutine_temporaries.py
          ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/bench
  COMMENT "Checking co_await expressions for temporaries g++ 12 destroys twice"
  VERBATIM)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/runtime)
