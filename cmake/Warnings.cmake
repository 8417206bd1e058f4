# Our own targets call wavelark_warnings(); third-party code is not built here.
function(wavelark_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
endfunction()
