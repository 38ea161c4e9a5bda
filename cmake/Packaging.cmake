# Installation and the Debian package (cpack -G DEB in a build folder).
# The package installs the program, the console simulator and the demo meet
# generator under their package names, a desktop entry with its icon and
# the man pages; its dependencies come from the binaries (dpkg-shlibdeps).
include(GNUInstallDirs)

install(TARGETS poolside RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS $<TARGET_FILE:console_sim> DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME poolside-console-sim)
install(PROGRAMS $<TARGET_FILE:make_demo_meet> DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME poolside-make-demo)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/poolside.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/poolside.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Man pages go into the package compressed, as Debian's policy asks.
set(man_pages poolside.1 poolside-console-sim.1 poolside-make-demo.1)
set(man_outputs)
foreach(page IN LISTS man_pages)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/man/${page} > ${out}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/${page} VERBATIM)
  list(APPEND man_outputs ${out})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME poolside)
set(CPACK_PACKAGE_VENDOR "Poolside")
set(CPACK_PACKAGE_CONTACT "Poolside maintainers <maintainers@poolside.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "timing desk of a swimming meet")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads the timing console of a swimming meet over RS-232, shows the lanes live\n\
and keeps the race results (lap and goal files, race status book) in the\n\
meet's Shift-JIS data folder, with a JSON and CSV export of every race.\n\
Includes a console simulator and a demo meet generator.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's display and offscreen platform plugins come with libqt6gui6, which
# dpkg-shlibdeps finds; the Japanese font of the interface is loaded at run
# time, so it cannot, and is recommended by name.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipaexfont-gothic, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
