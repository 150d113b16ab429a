# Warnings are set per target, never globally, so third-party code keeps its own flags.
function(novawick_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wswitch)
endfunction()
