# orva_add_test_suite(<name> [PLATFORM_ONLY] SOURCES ... [LABELS ...] [ENVIRONMENT ...] [LIBRARIES ...])
#
# PLATFORM_ONLY links the platform layer alone in place of the Engine library, for tests of
# the calls the engine does not export.
# One GoogleTest program per suite; every test case becomes its own CTest test carrying
# the suite's labels. Suites labelled "display" need an X server: ./test.sh runs them under
# xvfb-run, and they skip themselves when no display is reachable.
find_package(GTest REQUIRED)
include(GoogleTest)

set(ORVA_LSAN_SUPPRESSIONS ${CMAKE_SOURCE_DIR}/tests/lsan.supp)

function(orva_add_test_suite name)
  cmake_parse_arguments(ARG "PLATFORM_ONLY" "" "SOURCES;LABELS;ENVIRONMENT;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_PLATFORM_ONLY)
    target_link_libraries(${name} PRIVATE OrvaPlatform)
  else()
    target_link_libraries(${name} PRIVATE Engine)
  endif()
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main ${ARG_LIBRARIES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  if("display" IN_LIST ARG_LABELS AND ORVA_SANITIZE STREQUAL "address")
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/ResidentGLDriver.cpp)
  endif()
  # Mesa writes compiled shaders to its disk cache on a thread of its own, which may still
  # run when the leak checker stops the process at exit and crash its tracer.
  set(env ${ARG_ENVIRONMENT}
      "MESA_SHADER_CACHE_DISABLE=true"
      "LSAN_OPTIONS=suppressions=${ORVA_LSAN_SUPPRESSIONS}:print_suppressions=0"
      "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
      "ORVA_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
      "ORVA_TEST_FONT=${ORVA_DEJAVU_SANS}")
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_TIMEOUT 60)
  # Discovery passes its PROPERTIES through several list expansions that split every
  # list value, so only the first variable of ENVIRONMENT would survive. A second
  # include file, read after the discovered tests, sets the lists whole.
  set(properties_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
  file(WRITE ${properties_file}
    "if(${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES\n"
    "    LABELS [==[${ARG_LABELS}]==] ENVIRONMENT [==[${env}]==])\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${properties_file})
endfunction()
