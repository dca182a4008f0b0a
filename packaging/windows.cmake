# The Windows packages, from build-windows/ with `cpack`: a ZIP to unpack
# anywhere, and an amd64 installer (NSIS) into Program Files that offers to
# put the command line on the PATH, for the user or for all, puts the window
# in the Start menu and in Explorer's "Open with" list for any file, and
# takes all of it away again on uninstalling.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME Kryvet)
set(CPACK_PACKAGE_VENDOR "Kryvet Project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Masks one file at a time with a password")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME kryvet-${PROJECT_VERSION}-windows-amd64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kryvet)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# A 64-bit, Unicode installer: the 32-bit stub NSIS uses by default does not
# start on every system (not on Wine's 64-bit-only set-up).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MODIFY_PATH ON)
set(CPACK_NSIS_DISPLAY_NAME "Kryvet ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "Kryvet")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Kryvet)
# The Start-menu entry starts the window. Backslashes are written four
# times and quotes escaped twice: CPack reads these values once more.
set(CPACK_PACKAGE_EXECUTABLES kryvet Kryvet)
# "Open with" for any file: the application key names how to open a file,
# the list under * offers it for every type. Under the user's own classes,
# so that no association of another program is touched; the same keys go
# on uninstalling.
set(KRYVET_NSIS_APPLICATION_KEY "Software\\\\Classes\\\\Applications\\\\kryvet.exe")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  WriteRegStr HKCU '${KRYVET_NSIS_APPLICATION_KEY}' 'FriendlyAppName' 'Kryvet'
  WriteRegStr HKCU '${KRYVET_NSIS_APPLICATION_KEY}\\\\shell\\\\open\\\\command' '' '$\\\\\\\"$INSTDIR\\\\bin\\\\kryvet.exe$\\\\\\\" $\\\\\\\"%1$\\\\\\\"'
  WriteRegStr HKCU 'Software\\\\Classes\\\\*\\\\OpenWithList\\\\kryvet.exe' '' ''
")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  DeleteRegKey HKCU '${KRYVET_NSIS_APPLICATION_KEY}'
  DeleteRegKey HKCU 'Software\\\\Classes\\\\*\\\\OpenWithList\\\\kryvet.exe'
")
include(CPack)
