# korvan_warnings(target): strict warnings on our own code; errors when KORVAN_WERROR is on.
function(korvan_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wcast-align -Woverloaded-virtual -Wformat=2)
  if(KORVAN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
