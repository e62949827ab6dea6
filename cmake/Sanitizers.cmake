# Sanitizer builds are ordinary configurations: -DKORVAN_SANITIZE=address,undefined or =thread.
if(KORVAN_SANITIZE)
  set(_san "-fsanitize=${KORVAN_SANITIZE}")
  add_compile_options(${_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(${_san})
endif()
