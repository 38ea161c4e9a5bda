# SPDX-License-Identifier: MIT
# The Windows installer (NSIS, Debian's nsis): `cmake --build build-windows
# --target installer` writes poolside-VERSION-setup.exe with poolside-cli.exe,
# the README and docs/ (packaging/windows/poolside.nsi). With
# POOLSIDE_QT_DEPLOY_DIR (a folder holding poolside.exe and what windeployqt
# gathered beside it) the installer holds the whole program (docs/windows.md).
set(POOLSIDE_QT_DEPLOY_DIR "" CACHE PATH
  "A folder with poolside.exe and the Qt DLLs windeployqt gathered: the installer holds the whole program")
find_program(POOLSIDE_MAKENSIS makensis)
set(installer ${PROJECT_BINARY_DIR}/poolside-${PROJECT_VERSION}-setup.exe)
set(script ${PROJECT_SOURCE_DIR}/packaging/windows/poolside.nsi)
set(defines -DVERSION=${PROJECT_VERSION} -DCLI=$<TARGET_FILE:poolside-cli>
  -DSOURCE=${PROJECT_SOURCE_DIR} -DOUTFILE=${installer})
if(POOLSIDE_QT_DEPLOY_DIR)
  list(APPEND defines -DQT_BUILD=${POOLSIDE_QT_DEPLOY_DIR})
endif()
file(GLOB docs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*)
if(POOLSIDE_MAKENSIS)
  add_custom_command(OUTPUT ${installer}
    COMMAND ${POOLSIDE_MAKENSIS} -V2 ${defines} ${script}
    DEPENDS poolside-cli ${script} ${PROJECT_SOURCE_DIR}/README.md ${docs}
    COMMENT "NSIS installer ${installer}" VERBATIM)
else()
  add_custom_command(OUTPUT ${installer}
    COMMAND ${CMAKE_COMMAND} -E echo "makensis is missing (Debian: apt-get install nsis)"
    COMMAND ${CMAKE_COMMAND} -E false VERBATIM)
endif()
add_custom_target(installer DEPENDS ${installer})
