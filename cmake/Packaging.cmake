# SPDX-License-Identifier: MIT
# Installation and the Debian package (cpack -G DEB in a build folder).
# The package installs the program, the console simulator and the demo meet
# generator under their package names, a desktop entry with its icons, the
# AppStream metainfo, the man pages and the Debian documentation (copyright,
# changelog, README.Debian); its library dependencies come from the
# binaries (dpkg-shlibdeps). tests/package/check_package.sh runs lintian on it.
include(GNUInstallDirs)

# Installed as targets, so that the package's programs are stripped; the two
# tools take their package names after the install.
install(TARGETS poolside console_sim make_demo_meet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(pair IN ITEMS "console_sim:poolside-console-sim" "make_demo_meet:poolside-make-demo")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  install(CODE "file(RENAME \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${from}\"
                            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${to}\")")
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/poolside.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/poolside.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/poolside-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME poolside.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/org.example.poolside.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# /usr/share/doc/poolside: the machine-readable copyright, the changelog
# (compressed, its version checked against the project's) and README.Debian.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/poolside)
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^poolside \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the first entry is not version ${PROJECT_VERSION}")
endif()
set(changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/doc
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${changelog_gz}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_SOURCE_DIR}/packaging/README.Debian
        ${changelog_gz} DESTINATION ${doc_dir})

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
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's display and offscreen platform plugins come with libqt6gui6, which
# dpkg-shlibdeps finds; the Japanese font of the interface is loaded at run
# time, so it cannot: without it every text is an empty box, so it is a
# dependency by name (added to what dpkg-shlibdeps finds).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipaexfont-gothic | fonts-japanese-gothic")
# Qt's own Japanese texts (standard buttons) are recommended.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
