# SPDX-License-Identifier: GPL-3.0-or-later
# Install rules and the Debian package (cpack -G DEB): the three programs, their desktop entry,
# AppStream metadata, icons, man pages, copyright and changelog. Generated files go to
# ${PROJECT_BINARY_DIR}/packaging; nothing else of the project is installed.
include(GNUInstallDirs)

set(KORVANE_APP_ID io.github.korvane.Korvane)
set(KORVANE_MAINTAINER "Korvane developers <korvane@users.noreply.github.com>"
    CACHE STRING "Maintainer field of the Debian package")
set(KORVANE_HOMEPAGE https://github.com/korvane/korvane)
set(_pkg_src ${PROJECT_SOURCE_DIR}/packaging)
set(_pkg_out ${PROJECT_BINARY_DIR}/packaging)
set(_icon_sizes 16 32 48 64 128 256)

find_program(KORVANE_GZIP gzip REQUIRED)
find_program(KORVANE_RSVG_CONVERT rsvg-convert REQUIRED) # librsvg2-bin, from scripts/setup.sh

# The changelog's newest entry is the release: a version bump without an entry fails here, and
# its date dates the metainfo and the man pages.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_pkg_src}/changelog.Debian)
file(READ ${_pkg_src}/changelog.Debian _changelog)
if(NOT _changelog MATCHES "^korvane \\(([0-9][0-9.]*)-([0-9]+)\\) ")
  message(FATAL_ERROR "packaging/changelog.Debian: the first line is not "
                      "\"korvane (VERSION-REVISION) ...\"")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog.Debian starts at ${CMAKE_MATCH_1} but the project is "
                      "${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION}")
endif()
set(KORVANE_DEBIAN_REVISION ${CMAKE_MATCH_2})
if(NOT _changelog MATCHES
   "\n -- [^\n]+>  [A-Z][a-z][a-z], ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog.Debian: no \" -- NAME <EMAIL>  DATE\" line "
                      "(DATE as from date -R)")
endif()
set(_day ${CMAKE_MATCH_1})
set(_year ${CMAKE_MATCH_3})
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND _months ${CMAKE_MATCH_2} _month)
if(_month LESS 0)
  message(FATAL_ERROR "packaging/changelog.Debian: unknown month in the trailer line")
endif()
math(EXPR _month "${_month} + 1")
string(LENGTH "${_day}" _len)
if(_len EQUAL 1)
  set(_day 0${_day})
endif()
if(_month LESS 10)
  set(_month 0${_month})
endif()
set(KORVANE_RELEASE_DATE ${_year}-${_month}-${_day})

configure_file(${_pkg_src}/${KORVANE_APP_ID}.metainfo.xml.in
               ${_pkg_out}/${KORVANE_APP_ID}.metainfo.xml @ONLY)

set(_generated)
foreach(_page korvane korvane-cli korvane-meter-sim)
  configure_file(${_pkg_src}/man/${_page}.1.in ${_pkg_out}/man/${_page}.1 @ONLY)
  # -n: no name or time stamp in the header, so the package is reproducible.
  add_custom_command(
    OUTPUT ${_pkg_out}/man/${_page}.1.gz
    COMMAND ${KORVANE_GZIP} -9n -c ${_pkg_out}/man/${_page}.1 > ${_pkg_out}/man/${_page}.1.gz
    DEPENDS ${_pkg_out}/man/${_page}.1
    VERBATIM)
  list(APPEND _generated ${_pkg_out}/man/${_page}.1.gz)
endforeach()

add_custom_command(
  OUTPUT ${_pkg_out}/changelog.Debian.gz
  COMMAND ${KORVANE_GZIP} -9n -c ${_pkg_src}/changelog.Debian > ${_pkg_out}/changelog.Debian.gz
  DEPENDS ${_pkg_src}/changelog.Debian
  VERBATIM)
list(APPEND _generated ${_pkg_out}/changelog.Debian.gz)

# The PNG sizes are drawn from the SVG, so they never drift from it.
foreach(_size IN LISTS _icon_sizes)
  set(_png ${_pkg_out}/icons/${_size}x${_size}/${KORVANE_APP_ID}.png)
  add_custom_command(
    OUTPUT ${_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_pkg_out}/icons/${_size}x${_size}
    COMMAND ${KORVANE_RSVG_CONVERT} --width=${_size} --height=${_size}
            --output=${_png} ${_pkg_src}/icons/${KORVANE_APP_ID}.svg
    DEPENDS ${_pkg_src}/icons/${KORVANE_APP_ID}.svg
    VERBATIM)
  list(APPEND _generated ${_png})
endforeach()

add_custom_target(korvane_packaging_files ALL DEPENDS ${_generated})

# Directories the install creates, whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS korvane korvane-cli korvane-meter-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_pkg_src}/${KORVANE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg_out}/${KORVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_pkg_src}/icons/${KORVANE_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(_size IN LISTS _icon_sizes)
  install(FILES ${_pkg_out}/icons/${_size}x${_size}/${KORVANE_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
endforeach()
install(FILES ${_pkg_out}/man/korvane.1.gz ${_pkg_out}/man/korvane-cli.1.gz
              ${_pkg_out}/man/korvane-meter-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The README too: the Help box sends users there.
install(FILES ${_pkg_src}/copyright ${_pkg_out}/changelog.Debian.gz ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "The Korvane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_HOMEPAGE_URL ${KORVANE_HOMEPAGE})
set(CPACK_PACKAGE_CONTACT ${KORVANE_MAINTAINER})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion for a handheld power meter")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Korvane finds a power meter on a USB-serial cable by itself, keeps the link
alive and shows its live readings: voltages, currents, power factor, active,
reactive and apparent power, frequency and phase angles. It downloads the
records stored in the meter into a table, saves them as text, CSV or a
workbook, plots any quantities over time and draws a phasor diagram.

Readings can be logged for hours or days as CSV, JSON Lines or InfluxDB line
protocol, with per-interval statistics, and published to an MQTT broker with
Home Assistant discovery.

The package holds the window (korvane), a headless tool for scripts and
servers (korvane-cli) and a virtual meter for trying both without the
hardware (korvane-meter-sim).")
set(CPACK_DEBIAN_PACKAGE_NAME korvane)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KORVANE_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KORVANE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KORVANE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its Wayland platform plugin and its own translations (for the standard dialogs in
# Chinese) at run time, so dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
