# SPDX-License-Identifier: GPL-3.0-or-later
# `format` rewrites our sources with clang-format; `format-check` fails on any difference.
find_program(CLANG_FORMAT NAMES clang-format clang-format-14)
if(CLANG_FORMAT)
  file(GLOB_RECURSE KORVANE_FORMAT_SOURCES CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/app/*.cpp ${PROJECT_SOURCE_DIR}/app/*.h
    ${PROJECT_SOURCE_DIR}/cli/*.cpp ${PROJECT_SOURCE_DIR}/cli/*.h
    ${PROJECT_SOURCE_DIR}/export/*.cpp ${PROJECT_SOURCE_DIR}/export/*.h
    ${PROJECT_SOURCE_DIR}/fakes/*.cpp ${PROJECT_SOURCE_DIR}/fakes/*.h
    ${PROJECT_SOURCE_DIR}/link/*.cpp ${PROJECT_SOURCE_DIR}/link/*.h
    ${PROJECT_SOURCE_DIR}/session/*.cpp ${PROJECT_SOURCE_DIR}/session/*.h
    ${PROJECT_SOURCE_DIR}/trend/*.cpp ${PROJECT_SOURCE_DIR}/trend/*.h
    ${PROJECT_SOURCE_DIR}/measure/*.cpp ${PROJECT_SOURCE_DIR}/measure/*.h
    ${PROJECT_SOURCE_DIR}/platform/*.cpp ${PROJECT_SOURCE_DIR}/platform/*.h
    ${PROJECT_SOURCE_DIR}/records/*.cpp ${PROJECT_SOURCE_DIR}/records/*.h
    ${PROJECT_SOURCE_DIR}/datalog/*.cpp ${PROJECT_SOURCE_DIR}/datalog/*.h
    ${PROJECT_SOURCE_DIR}/survey/*.cpp ${PROJECT_SOURCE_DIR}/survey/*.h
    ${PROJECT_SOURCE_DIR}/publish/*.cpp ${PROJECT_SOURCE_DIR}/publish/*.h
    ${PROJECT_SOURCE_DIR}/energy/*.cpp ${PROJECT_SOURCE_DIR}/energy/*.h
    ${PROJECT_SOURCE_DIR}/alarms/*.cpp ${PROJECT_SOURCE_DIR}/alarms/*.h
    ${PROJECT_SOURCE_DIR}/notify/*.cpp ${PROJECT_SOURCE_DIR}/notify/*.h
    ${PROJECT_SOURCE_DIR}/watch/*.cpp ${PROJECT_SOURCE_DIR}/watch/*.h
    ${PROJECT_SOURCE_DIR}/sim/*.cpp ${PROJECT_SOURCE_DIR}/sim/*.h
    ${PROJECT_SOURCE_DIR}/tests/*.cpp ${PROJECT_SOURCE_DIR}/tests/*.h
    ${PROJECT_SOURCE_DIR}/bench/*.cpp ${PROJECT_SOURCE_DIR}/bench/*.h ${PROJECT_SOURCE_DIR}/fuzz/*.cpp ${PROJECT_SOURCE_DIR}/fuzz/*.h)
  add_custom_target(format COMMAND ${CLANG_FORMAT} -i ${KORVANE_FORMAT_SOURCES} VERBATIM)
  add_custom_target(format-check
    COMMAND ${CLANG_FORMAT} --dry-run --Werror ${KORVANE_FORMAT_SOURCES} VERBATIM)
endif()
