# Run by cpack on the staged files: Debian keeps games in /usr/games, not in the
# bin directory that `cmake --install` uses. From there the programs find their
# data as from bin: /usr/games/../share/varno-style.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(staged ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
  file(RENAME ${staged}/${CPACK_VARNO_BINDIR} ${staged}/games)
endif()
