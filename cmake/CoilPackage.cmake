# The Debian package of both games, built by CPack from the install rules:
#   cmake --workflow --preset package
#
# The package is named coil-games: it holds both games of the coil project,
# and the name says what it is to someone browsing a package list.
#
# It installs under /usr. The `package` preset sets CMAKE_INSTALL_BINDIR to
# games, so the programs go to /usr/games, where Debian keeps games (on the
# PATH of every user but root); every other build keeps bin/. Beside them go
# the manual pages and, in /usr/share/doc/coil-games, what Debian asks of every
# package: the licence as a machine-readable copyright file and a changelog.

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

# coil_install_gzipped(FILE DESTINATION NAME): installs FILE as NAME.gz,
# compressed as Debian does it (gzip -9n: best compression, and no file name
# or time in the header, so every build gives the same bytes). Without gzip
# (Windows) it installs FILE as NAME: man reads either.
find_program(COIL_GZIP gzip)
function(coil_install_gzipped file destination name)
  if(NOT COIL_GZIP)
    install(FILES ${file} DESTINATION ${destination} RENAME ${name})
    return()
  endif()
  set(gz ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  execute_process(COMMAND ${COIL_GZIP} -9n -c ${file} OUTPUT_FILE ${gz} COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${gz} DESTINATION ${destination})
endfunction()

set(COIL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_PACKAGE_NAME})

# The copyright file, in Debian's machine-readable format, made from LICENSE:
# its copyright line, and its permission text as the Expat licence (Debian's
# name for this MIT licence), each line indented and blank lines as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" _ "${licence}")
set(holder ${CMAKE_MATCH_1})
string(REGEX REPLACE "^.*\n(Permission )" "\\1" permission "${licence}")
string(STRIP "${permission}" permission)
string(REPLACE "\n" "\n " permission " ${permission}")
string(REPLACE "\n \n" "\n .\n" permission "${permission}")
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/copyright @ONLY CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: coil
Upstream-Contact: @CPACK_PACKAGE_CONTACT@

Files: *
Copyright: @holder@
License: Expat
@permission@
")
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${COIL_DOCDIR})

# The changelog, in Debian's format; its latest entry must be this version.
set(changelog ${CMAKE_CURRENT_LIST_DIR}/changelog)
file(STRINGS ${changelog} latest LIMIT_COUNT 1)
string(FIND "${latest}" "${CPACK_PACKAGE_NAME} (${PROJECT_VERSION}) " at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "cmake/changelog: its latest entry is not version ${PROJECT_VERSION}: add one for it")
endif()
coil_install_gzipped(${changelog} ${COIL_DOCDIR} changelog)
