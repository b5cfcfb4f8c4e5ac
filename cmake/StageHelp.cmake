# Copies the help pages into a folder as they are installed: the pages, their
# style sheet and pictures from HELP_DIR, and the screenshots from SHOTS_DIR
# into OUT_DIR/screenshots. In the source tree a page shows a screenshot as
# "../../docs/screenshots/NAME.png" (or "screenshots/NAME.png" for a copy kept
# in HELP_DIR/screenshots); the installed copy says "screenshots/NAME.png".
# Usage: cmake -DHELP_DIR=... -DSHOTS_DIR=... -DOUT_DIR=... -P StageHelp.cmake
file(MAKE_DIRECTORY "${OUT_DIR}")
file(GLOB _pages "${HELP_DIR}/*.htm" "${HELP_DIR}/*.html")
file(GLOB _assets "${HELP_DIR}/*.css" "${HELP_DIR}/*.png" "${HELP_DIR}/*.svg" "${HELP_DIR}/*.jpg")
foreach(_page IN LISTS _pages)
  get_filename_component(_name "${_page}" NAME)
  file(READ "${_page}" _text)
  string(REPLACE "../../docs/screenshots/" "screenshots/" _text "${_text}")
  set(_old "")
  if(EXISTS "${OUT_DIR}/${_name}")
    file(READ "${OUT_DIR}/${_name}" _old)
  endif()
  if(NOT _old STREQUAL _text)
    file(WRITE "${OUT_DIR}/${_name}" "${_text}")
  endif()
endforeach()
# A page taken out of the tree leaves the staged copy too.
file(GLOB _staged "${OUT_DIR}/*.htm" "${OUT_DIR}/*.html")
foreach(_file IN LISTS _staged)
  get_filename_component(_name "${_file}" NAME)
  if(NOT EXISTS "${HELP_DIR}/${_name}")
    file(REMOVE "${_file}")
  endif()
endforeach()
foreach(_file IN LISTS _assets)
  get_filename_component(_name "${_file}" NAME)
  file(COPY_FILE "${_file}" "${OUT_DIR}/${_name}" ONLY_IF_DIFFERENT)
endforeach()
# Pages may also keep their own copies in HELP_DIR/screenshots; those win,
# as they are what the page shows in the tree.
file(GLOB _shots "${SHOTS_DIR}/*.png" "${HELP_DIR}/screenshots/*.png")
if(_shots)
  file(MAKE_DIRECTORY "${OUT_DIR}/screenshots")
  foreach(_file IN LISTS _shots)
    get_filename_component(_name "${_file}" NAME)
    file(COPY_FILE "${_file}" "${OUT_DIR}/screenshots/${_name}" ONLY_IF_DIFFERENT)
  endforeach()
endif()
