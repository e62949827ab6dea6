# `cmake --install`: the program keeps its folders beside it, as in the build tree, so it goes
# into a folder of its own with a link on the search path:
#
#   <prefix>/lib/KORVAN3/KORVAN3            the program (finds its folders through /proc/self/exe)
#   <prefix>/lib/KORVAN3/{Resource,HTML,Samples}/
#   <prefix>/bin/KORVAN3 -> ../lib/KORVAN3/KORVAN3
#   <prefix>/share/applications/KORVAN3.desktop
#   <prefix>/share/icons/hicolor/scalable/apps/KORVAN3.svg
#
# The settings file cannot live in a system folder the user cannot write, so an installed
# program keeps it in the user's configuration folder (app/ProgramFolders.h).
set(KORVAN_INSTALL_DIR lib/KORVAN3)
install(TARGETS KORVAN3 RUNTIME DESTINATION ${KORVAN_INSTALL_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Resource ${PROJECT_SOURCE_DIR}/HTML ${PROJECT_SOURCE_DIR}/Samples
        DESTINATION ${KORVAN_INSTALL_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/cmake/KORVAN3.svg DESTINATION share/icons/hicolor/scalable/apps)

# The link and the desktop entry name the prefix given at install time (`--prefix`), which may
# differ from the one configured; DESTDIR stages the files without changing what they name.
install(CODE "
  set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(MAKE_DIRECTORY \"\${bin}\")
  file(CREATE_LINK ../${KORVAN_INSTALL_DIR}/KORVAN3 \"\${bin}/KORVAN3\" SYMBOLIC)
  message(STATUS \"Installing: \${bin}/KORVAN3 -> ../${KORVAN_INSTALL_DIR}/KORVAN3\")
  set(KORVAN_EXEC \"\${CMAKE_INSTALL_PREFIX}/bin/KORVAN3\")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/KORVAN3.desktop.in ${CMAKE_BINARY_DIR}/KORVAN3.desktop @ONLY)
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/share/applications\" TYPE FILE
       FILES ${CMAKE_BINARY_DIR}/KORVAN3.desktop)
")
