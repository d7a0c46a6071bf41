# The Debian package of both games, built by CPack from the install rules:
#   cmake --workflow --preset package      (or: cpack -G DEB in a build dir)
#
# The package is named coil-games: it holds both games of the coil project,
# and the name says what it is to someone browsing a package list.
#
# It installs under /usr, the programs in /usr/bin, exactly as
# `cmake --install` lays them out under a prefix. Debian's own games go to
# /usr/games, but root's PATH does not hold that directory, so a player who
# tries the game from a root shell right after `dpkg -i` would not find it;
# /usr/bin is on everyone's PATH.

set(CPACK_PACKAGE_NAME coil-games)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time snake games for a text terminal")
set(CPACK_PACKAGE_DESCRIPTION
  "Two snake games drawn with box-drawing characters in a terminal of at least
70 columns by 22 rows, with a UTF-8 locale.

duelcoil is for two players on one keyboard: one steers with the arrow
keys, the other with W A S D. Eating the apple grows a snake and scores a
point; the first snake to run into a wall or a body loses.

solocoil is the one-player game: one snake, the arrow keys, and an apple to
chase until the snake runs into a wall or itself.")
if(NOT DEFINED CPACK_PACKAGE_CONTACT)
  set(CPACK_PACKAGE_CONTACT "coil maintainers <maintainers@users.noreply.c-seed-fa18fbc3.example>")
endif()

set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps (package dpkg-dev) finds the libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
endif()

include(CPack)
