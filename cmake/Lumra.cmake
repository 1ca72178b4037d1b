# Project helpers: one library per layer, linked only downwards, and one
# helper for test executables.

# The layers each layer may use: what its files include and what its library
# links, directly (every layer links base). A row holds only what its layer
# uses, and an arrow is added when code first needs one, never upwards. A row
# may name a part of a layer with a target of its own (export/window);
# cmake/CheckLayers.cmake reads this table, so keep one row per line.
set(LUMRA_LAYER_DEPS_base "")
set(LUMRA_LAYER_DEPS_model base)
set(LUMRA_LAYER_DEPS_viewkit base model)
set(LUMRA_LAYER_DEPS_concurrency base)
set(LUMRA_LAYER_DEPS_platform base model concurrency)
set(LUMRA_LAYER_DEPS_probes base model concurrency platform)
set(LUMRA_LAYER_DEPS_monitoring base model concurrency platform probes)
set(LUMRA_LAYER_DEPS_shell base model viewkit concurrency platform probes monitoring)
set(LUMRA_LAYER_DEPS_export base model viewkit concurrency platform monitoring shell)
set(LUMRA_LAYER_DEPS_qt base model viewkit concurrency platform)
set(LUMRA_LAYER_DEPS_export/window base shell export qt)
set(LUMRA_LAYER_DEPS_settings base model viewkit concurrency platform monitoring shell qt)
set(LUMRA_LAYER_DEPS_panel base model viewkit concurrency platform shell qt settings)
set(LUMRA_LAYER_DEPS_windows base model viewkit concurrency monitoring shell qt)
set(LUMRA_LAYER_DEPS_app base model viewkit concurrency platform probes monitoring shell export/window qt settings panel windows)
# lumra-systool is a program of its own, the stand-in for the command-line
# tools the probes run: its OS calls are its purpose, and it uses no layer
# but base.
set(LUMRA_LAYER_DEPS_systool base)
# Rows whose files include no Qt header (every viewmodel/ directory too).
set(LUMRA_QT_FREE_LAYERS base model viewkit concurrency platform probes monitoring shell export systool)

# lumra_add_layer(NAME SOURCES ... [DEPENDS layer...] [LIBS target...])
# Builds lumra_<NAME> from src/<NAME>, linking lumra_<layer> for each of
# DEPENDS, base (every layer but base itself) and LIBS.
# TARGET names a second library of the same layer (its Qt-free view-models,
# say); it defaults to lumra_<NAME>.
# SOURCES lists every file of the library, by its path under the layer, in
# the layer's own CMakeLists.txt: one file says what a layer builds and links,
# and a new file is added in one place.
# Whatever a layer's library ends up linking, however it is named (DEPENDS,
# LIBS, a variable, an alias, a later target_link_libraries, a library of
# our own in between), must be a layer its row allows: checked once every
# directory is read.
function(lumra_add_layer name)
  cmake_parse_arguments(ARG "" "TARGET" "SOURCES;DEPENDS;LIBS" ${ARGN})
  if(NOT DEFINED LUMRA_LAYER_DEPS_${name})
    message(FATAL_ERROR "${name} is not a row of the layer table")
  endif()
  if(NOT ARG_TARGET)
    set(ARG_TARGET lumra_${name})
  endif()
  add_library(${ARG_TARGET} STATIC ${ARG_SOURCES})
  target_include_directories(${ARG_TARGET} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(NOT name STREQUAL "base")
    list(APPEND ARG_DEPENDS base)
  endif()
  list(TRANSFORM ARG_DEPENDS PREPEND lumra_ OUTPUT_VARIABLE dep_targets)
  target_link_libraries(${ARG_TARGET} PUBLIC ${dep_targets} ${ARG_LIBS})
  set_property(TARGET ${ARG_TARGET} PROPERTY LUMRA_LAYER ${name})
  get_property(layer_targets GLOBAL PROPERTY LUMRA_LAYER_TARGETS)
  if(NOT layer_targets)
    cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL lumra_check_layer_links)
  endif()
  set_property(GLOBAL APPEND PROPERTY LUMRA_LAYER_TARGETS ${ARG_TARGET})
endfunction()

# The targets a target links, by name: generator expressions other than
# $<LINK_ONLY:...> (what a static library's PRIVATE links become) are left out.
function(lumra_linked_targets target out)
  get_target_property(direct ${target} LINK_LIBRARIES)
  get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
  set(found "")
  foreach(item IN LISTS direct interface)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
    if(TARGET "${item}" AND NOT item MATCHES "\\$<")
      get_target_property(aliased ${item} ALIASED_TARGET)
      if(aliased)
        set(item ${aliased})
      endif()
      list(APPEND found ${item})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES found)
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# Fails the configuration when a layer's library reaches the library of a
# layer its row does not allow, directly or through libraries of ours that
# are not layers. Imported libraries (Qt, fmt, ...) are not followed.
function(lumra_check_layer_links)
  get_property(layer_targets GLOBAL PROPERTY LUMRA_LAYER_TARGETS)
  set(failures "")
  foreach(target IN LISTS layer_targets)
    get_target_property(layer ${target} LUMRA_LAYER)
    lumra_linked_targets(${target} pending)
    set(seen "")
    while(pending)
      list(POP_FRONT pending lib)
      if(lib IN_LIST seen)
        continue()
      endif()
      list(APPEND seen ${lib})
      get_target_property(lib_layer ${lib} LUMRA_LAYER)
      if(lib_layer)
        if(NOT lib_layer STREQUAL layer AND NOT lib_layer IN_LIST LUMRA_LAYER_DEPS_${layer})
          list(APPEND failures "${target} (layer ${layer}) may not link ${lib} (layer ${lib_layer})")
        endif()
        continue()
      endif()
      get_target_property(imported ${lib} IMPORTED)
      if(NOT imported)
        lumra_linked_targets(${lib} more)
        list(APPEND pending ${more})
      endif()
    endwhile()
  endforeach()
  if(failures)
    list(JOIN failures "\n" text)
    message(FATAL_ERROR "${text}")
  endif()
endfunction()

# lumra_add_test(NAME SOURCES ... LIBS ... [LABELS ...] [ENVIRONMENT ...]
#                [TIMEOUT seconds] [RUN_SERIAL] [OWN_MAIN] [RUN prefix...])
# Tests labelled core are Qt-free and also run under the sanitizer presets.
# Test and bench helpers are included by their path from the top
# ("tests/support/TempDir.h"), so none can pass for a header of src/.
# OWN_MAIN: the test brings its main() (no gtest_main). RUN: the command the
# test binary runs under (ip netns exec <name>, say).
function(lumra_add_test name)
  cmake_parse_arguments(ARG "RUN_SERIAL;OWN_MAIN" "TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT;RUN" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${ARG_RUN} $<TARGET_FILE:${name}>)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS "${ARG_LABELS}"
    TIMEOUT ${ARG_TIMEOUT}
    RUN_SERIAL ${ARG_RUN_SERIAL}
    ENVIRONMENT "XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/runtime;${ARG_ENVIRONMENT}")
endfunction()

# lumra_add_namespace_test(NAME <lumra_add_test arguments>
#                          [NAMESPACE prefix [SCRIPT fixture.sh]]
#                          [SETUP command... CLEANUP command...])
# A test whose binary runs wholly inside a network namespace: <stem>_setup
# makes it and <stem>_cleanup removes it, as ctest fixtures around the test
# (<stem> is NAME without "_test"). With NAMESPACE, SCRIPT (by default
# tests/support/netns-fixture.sh) is called "setup STATE PREFIX", "run STATE
# CMD..." and "cleanup STATE" and names a fresh namespace each time; with
# SETUP and CLEANUP the commands are given, and RUN says how to enter it.
function(lumra_add_namespace_test name)
  cmake_parse_arguments(ARG "RUN_SERIAL;OWN_MAIN" "TIMEOUT;NAMESPACE;SCRIPT"
    "SOURCES;LIBS;LABELS;ENVIRONMENT;RUN;SETUP;CLEANUP" ${ARGN})
  string(REGEX REPLACE "_test$" "" stem ${name})
  if(ARG_NAMESPACE)
    if(NOT ARG_SCRIPT)
      set(ARG_SCRIPT ${PROJECT_SOURCE_DIR}/tests/support/netns-fixture.sh)
    endif()
    set(state ${CMAKE_CURRENT_BINARY_DIR}/${stem}.netns)
    set(ARG_SETUP sh ${ARG_SCRIPT} setup ${state} ${ARG_NAMESPACE})
    set(ARG_CLEANUP sh ${ARG_SCRIPT} cleanup ${state})
    set(ARG_RUN sh ${ARG_SCRIPT} run ${state})
  elseif(NOT ARG_SETUP OR NOT ARG_CLEANUP OR NOT ARG_RUN)
    message(FATAL_ERROR "${name}: NAMESPACE, or SETUP, CLEANUP and RUN")
  endif()
  set(flags "")
  foreach(flag RUN_SERIAL OWN_MAIN)
    if(ARG_${flag})
      list(APPEND flags ${flag})
    endif()
  endforeach()
  if(ARG_TIMEOUT)
    list(APPEND flags TIMEOUT ${ARG_TIMEOUT})
  endif()
  lumra_add_test(${name} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS} LABELS ${ARG_LABELS}
    ENVIRONMENT ${ARG_ENVIRONMENT} RUN ${ARG_RUN} ${flags})
  add_test(NAME ${stem}_setup COMMAND ${ARG_SETUP})
  add_test(NAME ${stem}_cleanup COMMAND ${ARG_CLEANUP})
  set_tests_properties(${stem}_setup PROPERTIES FIXTURES_SETUP ${stem} LABELS "${ARG_LABELS}")
  set_tests_properties(${stem}_cleanup PROPERTIES FIXTURES_CLEANUP ${stem} LABELS "${ARG_LABELS}")
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${stem})
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
# A catch block that neither passes its error on nor logs it hides a failure.
add_custom_target(check_silent_catches ALL
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/check_silent_catches.py
          ${PROJECT_SOURCE_DIR}/src
  COMMENT "Checking that every catch block passes its error on or logs it"
  VERBATIM)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/runtime)
