# Packages of the program: a per-user NSIS installer and a portable zip (cpack -G "NSIS;ZIP",
# driven by scripts/package.sh). Only the program itself is installed; the user's files are
# created beside it at run time.
install(TARGETS kvbr RUNTIME DESTINATION .)

set(CPACK_PACKAGE_NAME "kvbr")
set(CPACK_PACKAGE_VENDOR "Quelmar")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "KV browser: a multi-window web browser")
set(CPACK_PACKAGE_VERSION "3.4")
set(CPACK_PACKAGE_VERSION_MAJOR 3)
set(CPACK_PACKAGE_VERSION_MINOR 4)
set(CPACK_PACKAGE_VERSION_PATCH 0)
set(CPACK_PACKAGE_FILE_NAME "kvbr-3.4-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "KVBrowser")
set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_STRIP_FILES ON)
# The installer script is cmake/NSIS.template.in (found through the module path).
list(PREPEND CMAKE_MODULE_PATH "${CMAKE_SOURCE_DIR}/cmake")
set(CPACK_KV_ICON "${CMAKE_SOURCE_DIR}/resources/app.ico")
include(CPack)
