# Our own code builds without warnings; third-party code (GoogleTest) keeps its own flags.
function(quarry_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Werror)
endfunction()
