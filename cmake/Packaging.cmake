# What `cmake --install` puts where (the usual GNU places), and the two Debian
# packages `cpack -G DEB` makes from it:
#   tarvolin-cli  the command line over the core; no Qt, for servers;
#   tarvolin      the desktop wizard with its menu entry, icon, help and manual.
# The core is linked into each program, so either package works alone.
include(GNUInstallDirs)

set(TVN_MAINTAINER "Tarvolin developers <tarvolin@tarvolin.org>"
    CACHE STRING "Maintainer field of the Debian packages")
set(TVN_SCREENSHOT_BASE_URL ""
    CACHE STRING "Public web address of docs/screenshots/ for the AppStream file (empty: none listed)")

set(_desktop ${PROJECT_SOURCE_DIR}/res/desktop)
set(_stage ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_stage})

# Debian wants a changelog beside the copyright of each package, compressed.
configure_file(${_desktop}/changelog.in ${_stage}/changelog @ONLY)
add_custom_command(OUTPUT ${_stage}/changelog.gz
  COMMAND gzip -9n -c changelog > changelog.gz
  DEPENDS ${_stage}/changelog WORKING_DIRECTORY ${_stage} VERBATIM)
add_custom_target(tarvolin-changelog ALL DEPENDS ${_stage}/changelog.gz)

# --- tarvolin-cli ---
install(TARGETS tarvolin-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
install(FILES ${PROJECT_BINARY_DIR}/cli/tarvolin-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
install(FILES ${PROJECT_BINARY_DIR}/cli/tarvolin-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME tarvolin-cli COMPONENT cli)
install(FILES ${_desktop}/copyright ${_stage}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvolin-cli COMPONENT cli)
set(_components cli)

# --- tarvolin ---
if(TARGET tarvolin)
  list(APPEND _components gui)
  set(_helpdir ${CMAKE_INSTALL_DATADIR}/doc/tarvolin/help)

  configure_file(${_desktop}/tarvolin.1.in ${_stage}/tarvolin.1 @ONLY)
  add_custom_command(OUTPUT ${_stage}/tarvolin.1.gz
    COMMAND gzip -9n -c tarvolin.1 > tarvolin.1.gz
    DEPENDS ${_stage}/tarvolin.1 WORKING_DIRECTORY ${_stage} VERBATIM)

  # The icon in the sizes of the hicolor theme, drawn from the SVG the
  # wizard's windows also show.
  add_executable(tarvolin-render-icon ${PROJECT_SOURCE_DIR}/tools/render_icon.cpp)
  find_package(Qt6 REQUIRED COMPONENTS Svg)
  target_link_libraries(tarvolin-render-icon PRIVATE Qt6::Gui Qt6::Svg)
  tvn_warnings(tarvolin-render-icon)
  set(_icon_sizes 16 22 24 32 48 64 128 256)
  set(_icons)
  foreach(_size IN LISTS _icon_sizes)
    list(APPEND _icons ${_stage}/icons/${_size}x${_size}/tarvolin.png)
  endforeach()
  add_custom_command(OUTPUT ${_icons}
    COMMAND tarvolin-render-icon ${PROJECT_SOURCE_DIR}/res/art/tarvolin.svg ${_stage}/icons ${_icon_sizes}
    DEPENDS tarvolin-render-icon ${PROJECT_SOURCE_DIR}/res/art/tarvolin.svg VERBATIM)

  # The help pages with their screenshots, as they are installed.
  add_custom_target(tarvolin-help ALL
    COMMAND ${CMAKE_COMMAND} -DHELP_DIR=${PROJECT_SOURCE_DIR}/res/help
            -DSHOTS_DIR=${PROJECT_SOURCE_DIR}/docs/screenshots -DOUT_DIR=${_stage}/help
            -P ${PROJECT_SOURCE_DIR}/cmake/StageHelp.cmake
    VERBATIM)
  add_custom_target(tarvolin-desktop-files ALL DEPENDS ${_stage}/tarvolin.1.gz ${_icons})

  # AppStream lists screenshots only by a public web address.
  set(TVN_METAINFO_SCREENSHOTS "")
  if(TVN_SCREENSHOT_BASE_URL)
    file(GLOB _shots CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/screenshots/*.png)
    set(_type " type=\"default\"")
    string(APPEND TVN_METAINFO_SCREENSHOTS "  <screenshots>\n")
    foreach(_shot IN LISTS _shots)
      get_filename_component(_name ${_shot} NAME)
      get_filename_component(_stem ${_shot} NAME_WE)
      string(REPLACE "_" " " _caption "${_stem}")
      string(APPEND TVN_METAINFO_SCREENSHOTS
        "    <screenshot${_type}>\n      <caption>Tarvolin: ${_caption}</caption>\n"
        "      <image>${TVN_SCREENSHOT_BASE_URL}/${_name}</image>\n    </screenshot>\n")
      set(_type "")
    endforeach()
    string(APPEND TVN_METAINFO_SCREENSHOTS "  </screenshots>")
  endif()
  configure_file(${_desktop}/tarvolin.metainfo.xml.in
                 ${_stage}/org.tarvolin.Tarvolin.metainfo.xml @ONLY)

  install(TARGETS tarvolin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gui)
  # The decoder tarvolin-cli's preview runs; it carries the image and media
  # libraries, so it belongs to this package.
  if(TARGET tarvolin-decode)
    install(TARGETS tarvolin-decode RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/tarvolin
            COMPONENT gui)
  endif()
  install(FILES ${_stage}/tarvolin.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT gui)
  install(FILES ${_desktop}/tarvolin.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
  install(FILES ${_stage}/org.tarvolin.Tarvolin.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT gui)
  install(FILES ${PROJECT_SOURCE_DIR}/res/art/tarvolin.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT gui)
  foreach(_size IN LISTS _icon_sizes)
    install(FILES ${_stage}/icons/${_size}x${_size}/tarvolin.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps COMPONENT gui)
  endforeach()
  install(DIRECTORY ${_stage}/help/ DESTINATION ${_helpdir} COMPONENT gui)
  install(FILES ${_desktop}/copyright ${_stage}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvolin COMPONENT gui)
endif()

# --- Debian packages ---
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvolin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tarvolin developers")
set(CPACK_PACKAGE_CONTACT "${TVN_MAINTAINER}")
# Each package's summary is the first line of its description below.
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${_components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME tarvolin-cli)
set(CPACK_COMPONENT_CLI_DESCRIPTION
  "recover photos, camera raw files, music and video (command line)
Tarvolin finds photos, camera raw files, music and video on memory cards,
disks and disk images by file carving, also after the files were deleted or
the card was formatted, and saves them as files or zip archives. The medium is
only ever read.
.
This package holds tarvolin-cli, the command-line program, for servers and
scripts; it needs no desktop. The desktop wizard is in the package tarvolin.")

# Raw reads of disks come through UDisks2, which asks polkit; the package
# therefore has no setuid program and no udev rule. The help pages open in the
# desktop's browser through xdg-open.
set(CPACK_DEBIAN_GUI_PACKAGE_NAME tarvolin)
set(CPACK_DEBIAN_GUI_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, timgm6mb-soundfont | sf2-soundfont-gm, xdg-utils")
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS "udisks2, qt6-qpa-plugins, gstreamer1.0-plugins-bad")
set(CPACK_DEBIAN_GUI_PACKAGE_SUGGESTS "tarvolin-cli, gddrescue")
set(CPACK_COMPONENT_GUI_DESCRIPTION
  "recover deleted photos, music and video from cards and disks
Tarvolin gets back photos, camera raw files, music and video from memory
cards, USB sticks, disks and disk images, also after the files were deleted
or the card was formatted. It recognises each file by its contents, so the
card's file system need not be intact, and it never writes to the card.
.
A wizard takes you through the steps: pick the card, pick the kinds of files,
watch the scan, preview what was found, and save it to another disk, as files
or zip archives, or burn it onto a CD or DVD. Cards and disks are read through
UDisks2 with the desktop's usual password prompt; nothing runs setuid.")

include(CPack)
