# Warnings are set per target, never globally, so third-party code keeps its own flags.
function(novawick_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wswitch)
  # g++ 12 reports -Wrestrict inside libstdc++'s own std::string code at -O3 (a known false positive,
  # GCC bug 105329); it says nothing about this project's code.
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
endfunction()
