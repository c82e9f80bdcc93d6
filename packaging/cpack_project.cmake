# Read by cpack as it packs: the Debian package's long description, made by
# the build from description.txt.in and the program's usage, so that its flash
# warning is the program's own.
if(CPACK_GENERATOR STREQUAL "DEB")
  if(NOT EXISTS "${CPACK_VARNO_DESCRIPTION}")
    message(FATAL_ERROR "${CPACK_VARNO_DESCRIPTION} is not made yet: build compress-varno-style.6 first")
  endif()
  file(READ "${CPACK_VARNO_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
endif()
