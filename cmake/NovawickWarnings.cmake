# Warnings are set per target, never globally, so third-party code keeps its own flags.
#
# -Werror is an option, off by default, so that a user's build on a newer compiler with new warnings
# still succeeds; scripts/test and CI turn it on.
option(NOVAWICK_WERROR "Treat compiler warnings as errors" OFF)

function(novawick_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wswitch -Wshadow -Wconversion -Wsign-conversion
    -Wpedantic $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast -Wnon-virtual-dtor>)
  if(NOVAWICK_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  # g++ 12 reports -Wrestrict inside libstdc++'s own std::string code at -O3 (a known false positive,
  # GCC bug 105329); it says nothing about this project's code.
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
endfunction()
