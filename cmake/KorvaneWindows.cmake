# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows programs' icon and version resources and their install rules: every program and
# nothing else in one folder, which scripts/windows/package.sh fills with the DLLs, plugins and
# translations they need and makes the installer and the portable ZIP from.
set(_win_src ${PROJECT_SOURCE_DIR}/packaging/windows)
set(_win_out ${PROJECT_BINARY_DIR}/packaging-windows)
find_program(KORVANE_RSVG_CONVERT rsvg-convert REQUIRED) # librsvg2-bin
find_program(KORVANE_ICOTOOL icotool REQUIRED)           # icoutils

set(KORVANE_ICO ${_win_out}/korvane.ico)
set(_ico_pngs)
foreach(_size 16 24 32 48 64 256)
  set(_png ${_win_out}/icon-${_size}.png)
  add_custom_command(OUTPUT ${_png}
    COMMAND ${KORVANE_RSVG_CONVERT} --width=${_size} --height=${_size} --output=${_png}
            ${PROJECT_SOURCE_DIR}/packaging/icons/io.github.korvane.Korvane.svg
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/icons/io.github.korvane.Korvane.svg VERBATIM)
  list(APPEND _ico_pngs ${_png})
endforeach()
add_custom_command(OUTPUT ${KORVANE_ICO}
  COMMAND ${KORVANE_ICOTOOL} --create --output=${KORVANE_ICO} ${_ico_pngs}
  DEPENDS ${_ico_pngs} VERBATIM)
add_custom_target(korvane_ico DEPENDS ${KORVANE_ICO})

# korvane_windows_resources(TARGET NAME DESCRIPTION)
function(korvane_windows_resources target description)
  set(KORVANE_RC_NAME ${target})
  set(KORVANE_RC_DESCRIPTION "${description}")
  configure_file(${_win_src}/korvane.rc.in ${_win_out}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${_win_out}/${target}.rc)
  set_source_files_properties(${_win_out}/${target}.rc PROPERTIES OBJECT_DEPENDS ${KORVANE_ICO})
  add_dependencies(${target} korvane_ico)
  install(TARGETS ${target} RUNTIME DESTINATION .)
endfunction()

korvane_windows_resources(korvane-cli "Korvane command line")
if(TARGET korvane)
  korvane_windows_resources(korvane "Korvane")
  # A window program: no console of its own.
  set_target_properties(korvane PROPERTIES WIN32_EXECUTABLE ON)
endif()
