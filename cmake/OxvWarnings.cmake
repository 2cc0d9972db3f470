# Every target of ours compiles with these warnings; third-party headers
# come in as SYSTEM includes so their warnings stay theirs.
add_library(oxv_warnings INTERFACE)
target_compile_options(oxv_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
# Warnings are errors in the developers' and CI's builds (the Makefile turns
# this on), not in a plain CMake build: another compiler or optimisation
# level may warn falsely where a packager cannot mend it.
option(OXV_WERROR "Treat compiler warnings as errors" OFF)
if(OXV_WERROR)
  target_compile_options(oxv_warnings INTERFACE -Werror)
endif()

if(OXV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(OXV_SANITIZED=1)
endif()
