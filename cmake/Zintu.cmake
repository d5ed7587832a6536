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
  if(NOT ZINTU_NATIVE)
    if(Z_WIN32)
      add_library(${name} STATIC ${Z_WIN32})
      target_link_libraries(${name} PUBLIC ${name}_portable ${Z_WIN32_LINKS})
    else()
      add_library(${name} INTERFACE)
      target_link_libraries(${name} INTERFACE ${name}_portable ${Z_WIN32_LINKS})
    endif()
  endif()
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
function(zintu_test name)
  cmake_parse_arguments(Z "PORTABLE;WINDOW" "TIMEOUT" "SOURCES;LINKS;SERVERS" ${ARGN})
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
  add_test(NAME ${name} COMMAND ${command} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  if(NOT Z_TIMEOUT)
    set(Z_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${Z_TIMEOUT})
  if(Z_WINDOW)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK display LABELS window)
  endif()
endfunction()
