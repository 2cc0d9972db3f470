# Every target of ours compiles with warnings as errors; third-party headers
# come in as SYSTEM includes so their warnings stay theirs.
add_library(oxv_warnings INTERFACE)
target_compile_options(oxv_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror)

if(OXV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(OXV_SANITIZED=1)
endif()
