# One switch per sanitizer build; they apply to every target, modules included,
# so that a module loaded with dlopen is instrumented like the program.
if(WAVELARK_ASAN AND WAVELARK_TSAN)
  message(FATAL_ERROR "WAVELARK_ASAN and WAVELARK_TSAN cannot be combined")
endif()

if(WAVELARK_ASAN)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WAVELARK_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(WAVELARK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "WAVELARK_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
