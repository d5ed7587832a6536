# zintu_library(NAME
#   PORTABLE <sources that need no <windows.h>>
#   WIN32    <sources that use the Win32 API>
#   LINKS    <libraries the portable part uses>
#   WIN32_LINKS <libraries only the Win32 part uses>)
#
# Makes NAME_portable (built in both builds) and, in the Windows build, NAME,
# which adds the Win32 sources on top. Other subsystems link NAME (or
# NAME_portable when they are platform-free themselves).
function(zintu_library name)
  cmake_parse_arguments(Z "" "" "PORTABLE;WIN32;LINKS;WIN32_LINKS" ${ARGN})
  if(Z_PORTABLE)
    add_library(${name}_portable STATIC ${Z_PORTABLE})
  else()
    add_library(${name}_portable INTERFACE)
  endif()
  get_target_property(kind ${name}_portable TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  else()
    set(scope PUBLIC)
  endif()
  target_include_directories(${name}_portable ${scope} ${PROJECT_SOURCE_DIR})
  if(Z_LINKS)
    target_link_libraries(${name}_portable ${scope} ${Z_LINKS})
  endif()
  if(Z_PORTABLE)
    zintu_link_alone(${name}_portable)
  endif()
  if(NOT ZINTU_NATIVE)
    if(Z_WIN32)
      add_library(${name} STATIC ${Z_WIN32})
      target_link_libraries(${name} PUBLIC ${name}_portable ${Z_WIN32_LINKS})
      zintu_link_alone(${name})
    else()
      add_library(${name} INTERFACE)
      target_link_libraries(${name} INTERFACE ${name}_portable ${Z_WIN32_LINKS})
    endif()
  endif()
endfunction()

# zintu_link_alone(LIBRARY)
#
# Links every object of the static library into a program of its own with
# only what the library declares it links. A call into a higher layer then
# fails the build here, even where the program happens to pull the called
# object in for another reason.
function(zintu_link_alone library)
  set(main ${CMAKE_BINARY_DIR}/link-alone-main.cpp)
  if(NOT EXISTS ${main})
    file(WRITE ${main} "int main() { return 0; }\n")
  endif()
  add_executable(${library}_links_alone ${main})
  target_link_libraries(${library}_links_alone PRIVATE -Wl,--whole-archive ${library} -Wl,--no-whole-archive)
endfunction()

# zintu_test(NAME [PORTABLE] [WINDOW] [TIMEOUT s] SOURCES ... LINKS ...
#            [SERVERS kind:template ...])
#
# A GoogleTest program. PORTABLE tests build and run in both builds (natively
# under the sanitizers, and under Wine); the others only in the Windows build.
# WINDOW marks tests that open windows: they run under the display that
# tools/test.sh provides and are kept from running two at a time.
# SERVERS start Unix servers around the test with tools/with-server.sh, e.g.
# SERVERS nginx:${CMAKE_CURRENT_SOURCE_DIR}/data/nginx.conf.in; the test reads
# the port with testing_support::ServerPortFromEnv("NGINX").
# SHARDS n runs the program as n ctest entries, each a fresh process with
# GoogleTest's shard variables, so that one test's leftovers in a window
# program cannot stall the tests after it.
function(zintu_test name)
  cmake_parse_arguments(Z "PORTABLE;WINDOW" "TIMEOUT;SHARDS" "SOURCES;LINKS;SERVERS" ${ARGN})
  if(ZINTU_NATIVE AND NOT Z_PORTABLE)
    return()
  endif()
  add_executable(${name} ${Z_SOURCES})
  target_link_libraries(${name} PRIVATE ${Z_LINKS} zintu_gtest)
  set(command ${name})
  if(Z_SERVERS)
    set(command $<TARGET_FILE:${name}>)
    if(NOT ZINTU_NATIVE)
      set(command ${CMAKE_CROSSCOMPILING_EMULATOR} ${command})
    endif()
    foreach(server ${Z_SERVERS})
      string(REPLACE ":" ";" parts ${server})
      set(command ${PROJECT_SOURCE_DIR}/tools/with-server.sh ${parts} -- ${command})
    endforeach()
  endif()
  if(NOT Z_TIMEOUT)
    set(Z_TIMEOUT 120)
  endif()
  set(entries ${name})
  if(Z_SHARDS)
    set(entries)
    math(EXPR last "${Z_SHARDS} - 1")
    foreach(shard RANGE ${last})
      add_test(NAME ${name}_${shard} COMMAND ${command} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
      set_tests_properties(${name}_${shard} PROPERTIES
        ENVIRONMENT "GTEST_TOTAL_SHARDS=${Z_SHARDS};GTEST_SHARD_INDEX=${shard}")
      list(APPEND entries ${name}_${shard})
    endforeach()
  else()
    add_test(NAME ${name} COMMAND ${command} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set_tests_properties(${entries} PROPERTIES TIMEOUT ${Z_TIMEOUT})
  if(Z_WINDOW)
    set_tests_properties(${entries} PROPERTIES RESOURCE_LOCK display LABELS window)
  endif()
endfunction()

# zintu_fuzzer(NAME SOURCES ... LINKS ... CORPUS dir [SECONDS n])
#
# A libFuzzer target (native clang build only) whose source defines
# LLVMFuzzerTestOneInput. ctest runs it for a bounded time (label "fuzz",
# ZINTU_FUZZ_SECONDS or SECONDS, default 20) from the seed corpus in the
# repository; new inputs go to the build folder, never into the repository.
function(zintu_fuzzer name)
  if(NOT ZINTU_NATIVE OR NOT ZINTU_CAN_FUZZ)
    return()
  endif()
  cmake_parse_arguments(Z "" "CORPUS;SECONDS" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${Z_SOURCES})
  target_link_libraries(${name} PRIVATE ${Z_LINKS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(DEFINED ENV{ZINTU_FUZZ_SECONDS})
    set(Z_SECONDS $ENV{ZINTU_FUZZ_SECONDS})
  elseif(NOT Z_SECONDS)
    set(Z_SECONDS 20)
  endif()
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  file(MAKE_DIRECTORY ${work})
  add_test(NAME ${name}
    COMMAND ${name} -max_total_time=${Z_SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
            ${work} ${Z_CORPUS})
  math(EXPR limit "${Z_SECONDS} + 120")
  set_tests_properties(${name} PROPERTIES TIMEOUT ${limit} LABELS fuzz)
endfunction()

# zintu_shipped(TARGET): the program or a DLL it loads. The target
# zintu_programs builds them all (the other architecture's build, run.sh).
function(zintu_shipped target)
  add_dependencies(zintu_programs ${target})
endfunction()

# zintu_layering_check(layer ...)
#
# A target of every build that fails when a source of a layer includes a
# header of a layer above it (layers lowest first), or when the script
# engine and the program include each other beyond the engine's interface.
function(zintu_layering_check)
  set(sources)
  foreach(layer ${ARGN} script)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${layer}/*.h
         ${PROJECT_SOURCE_DIR}/${layer}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  string(REPLACE ";" "," layers "${ARGN}")
  set(stamp ${CMAKE_BINARY_DIR}/layering.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -DLAYERS=${layers}
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayering.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${sources} ${PROJECT_SOURCE_DIR}/cmake/CheckLayering.cmake
    COMMENT "Checking that no layer includes a higher one"
    VERBATIM)
  add_custom_target(zintu_layering ALL DEPENDS ${stamp})
endfunction()
