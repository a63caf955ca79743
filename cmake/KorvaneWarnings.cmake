# Warnings and sanitizers for every target of ours; third-party headers come in as system includes.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow)
if(KORVANE_WERROR)
  add_compile_options(-Werror)
endif()
if(KORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
