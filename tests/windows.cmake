# Tests of the Windows build, included from tests/CMakeLists.txt.

# The Windows console layer, against a console screen buffer of its own.
add_executable(coil_windows_tests windows_console_test.cpp)
target_link_libraries(coil_windows_tests PRIVATE coil_platform coil_core GTest::gtest_main)
coil_target_defaults(coil_windows_tests)
gtest_discover_tests(coil_windows_tests)

# The real programs under wine in a real terminal (tmux), when cross-built on
# Linux. Wine sees no keys there, so these check the first frame only.
if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
  foreach(game duelcoil solocoil)
    add_test(NAME ${game}_wine_tmux
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/windows_tmux.sh ${game}
                     $<TARGET_FILE:${game}> ${CMAKE_CROSSCOMPILING_EMULATOR})
    set_tests_properties(${game}_wine_tmux PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
  endforeach()
endif()
