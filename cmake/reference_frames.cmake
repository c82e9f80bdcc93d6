# The reference frames: the MD5 of the whole show's frames at 60 fps, as
# `tools/varno-capture --raw --back-buffer --fps 60 [--gentle] | md5sum` prints
# it from a build folder, by default and gentle, kept in reference/frames.md5.
# Every build's capture is held to them: VARNO_FRAMES_MD5_default and
# VARNO_FRAMES_MD5_gentle.
file(STRINGS ${CMAKE_SOURCE_DIR}/reference/frames.md5 reference_lines)
foreach(line ${reference_lines})
  if(line MATCHES "^([0-9a-f]+) +([a-z]+)$")
    set(VARNO_FRAMES_MD5_${CMAKE_MATCH_2} ${CMAKE_MATCH_1})
  endif()
endforeach()
if(NOT VARNO_FRAMES_MD5_default OR NOT VARNO_FRAMES_MD5_gentle)
  message(FATAL_ERROR "reference/frames.md5 lacks a default or a gentle line")
endif()
# Read again when it changes.
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/reference/frames.md5)
