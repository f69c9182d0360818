# Strict warnings for the project's own targets only (never for third-party code).
function(vlm_strict_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
