# The sanitizer build must cover every object (libraries, tests, tools), so these flags are the one
# deliberate exception to per-target settings.
if(NOVAWICK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
