# Tests of the Windows build, included from tests/CMakeLists.txt: duelcoil.exe
# on the console layer, read back from a console screen buffer.
add_executable(coil_windows_tests windows_console_test.cpp)
target_compile_definitions(coil_windows_tests PRIVATE COIL_DUELCOIL="$<TARGET_FILE:duelcoil>")
target_link_libraries(coil_windows_tests PRIVATE coil_core GTest::gtest_main)
add_dependencies(coil_windows_tests duelcoil)
coil_target_defaults(coil_windows_tests)
gtest_discover_tests(coil_windows_tests)
