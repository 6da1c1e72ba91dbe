# TABEL_SANITIZE=ON builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# (scripts/test --sanitize uses its own build folder for it). Any undefined behaviour stops
# the program, so a test that meets one fails instead of printing a line nobody reads.
option(TABEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(TABEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
