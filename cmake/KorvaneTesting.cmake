# SPDX-License-Identifier: GPL-3.0-or-later
# korvane_add_test(NAME tst_x SOURCES a.cpp LIBS lib... [LABELS unit|e2e|slow...] [TIMEOUT s])
# One executable per suite, linking the libraries under test; every test runs headless.
function(korvane_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(environment "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;ASAN_OPTIONS=detect_leaks=1")
  if(WIN32)
    # Under wine the zone is the one the process starts in (tests/support/zone.h). Qt's
    # offscreen platform on Windows reads fonts from one folder only: the same DejaVu as the
    # Linux tests measure their layouts with (fonts-dejavu-core).
    list(APPEND environment "TZ=Europe/Berlin" "QT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/dejavu")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS "${T_LABELS}"
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "${environment}")
endfunction()
