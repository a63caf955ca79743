# SPDX-License-Identifier: GPL-3.0-or-later
# Warnings and sanitizers for every target of ours; third-party headers come in as system includes.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow)
if(KORVANE_WERROR)
  add_compile_options(-Werror)
endif()
if(KORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(KORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KORVANE_FUZZ needs clang (libFuzzer); use the fuzz preset")
  endif()
  # Coverage for every library the fuzzers reach; only the fuzz executables link libFuzzer.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
