# What the tests need when they are built for another system (Windows, from
# Linux) and run through CMAKE_CROSSCOMPILING_EMULATOR (wine).

# No GoogleTest for the target system is installed on the build machine, so it
# is built from the sources that Debian's googletest package ships.
set(COIL_GTEST_SOURCE_DIR /usr/src/googletest/googletest
    CACHE PATH "GoogleTest sources to build for a cross build")
# Without them GTest_FOUND is false and the tests are left out.
if(NOT EXISTS ${COIL_GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(GTest_FOUND FALSE)
  return()
endif()
set(GTest_FOUND TRUE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${COIL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(NOT TARGET GTest::gtest_main)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()

# Listing a test program's cases means running it under the emulator; do that
# when the tests run rather than after every link.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# Wine builds its prefix on first use, which can take longer than listing the
# tests may take, so build it now, once. A first try has been seen to fail on a
# fresh machine, so a failure is shown with what wine said and tried again.
if(CMAKE_CROSSCOMPILING_EMULATOR MATCHES "wine" AND NOT EXISTS ${CMAKE_BINARY_DIR}/wineprefix/system.reg)
  message(STATUS "Creating the wine prefix in ${CMAKE_BINARY_DIR}/wineprefix")
  foreach(coil_try 1 2)
    execute_process(COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init
                    RESULT_VARIABLE coil_wineboot_result OUTPUT_VARIABLE coil_wineboot_output
                    ERROR_VARIABLE coil_wineboot_output)
    if(coil_wineboot_result EQUAL 0)
      break()
    endif()
    message(WARNING "wineboot failed (${coil_wineboot_result}), try ${coil_try} of 2:\n${coil_wineboot_output}")
  endforeach()
endif()
