# The Windows package of what the cross build makes (scripts/build-windows.sh):
#   cd build-windows && cpack -G ZIP      (and -G NSIS where makensis is found)
# packs corvala3-analyze.exe with the licence and the README, and the window,
# corvala3.exe, where a build with Qt for Windows makes it (not tested here:
# such a build must also bring Qt's DLLs, e.g. with windeployqt). The programs
# are linked statically (see cmake/mingw-w64-x86_64.cmake): nothing else is
# needed beside them.

set(corvala_windows_programs corvala3-analyze)
if(TARGET corvala3)
  list(APPEND corvala_windows_programs corvala3)
endif()
install(TARGETS ${corvala_windows_programs} RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)

set(CPACK_GENERATOR ZIP)
find_program(CORVALA_MAKENSIS makensis)
if(CORVALA_MAKENSIS)
  list(APPEND CPACK_GENERATOR NSIS)
  set(CPACK_NSIS_EXECUTABLE ${CORVALA_MAKENSIS})
endif()
set(CPACK_PACKAGE_NAME corvala3)
set(CPACK_PACKAGE_VENDOR "Corvala3")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "measuring station for a three-chamber respiration measuring device")
set(CPACK_PACKAGE_FILE_NAME corvala3-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Corvala3)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# The ZIP holds the files themselves, without a folder around them.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# The installer: a 64-bit one, as the programs are (a 32-bit installer would
# also put them under "Program Files (x86)"), into "Corvala3" under the program
# folder, with an uninstaller and a start menu folder.
set(CPACK_NSIS_PACKAGE_NAME Corvala3)
set(CPACK_NSIS_DISPLAY_NAME "Corvala3 ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
include(CPack)
