# What the Windows build needs beside the sources: GoogleTest built from the
# source that Debian's googletest package installs (no Windows package of it
# exists), and the targets that the Linux build takes from pkg-config.
set(BILLORA_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows tests")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${BILLORA_GOOGLETEST_SOURCE} googletest EXCLUDE_FROM_ALL SYSTEM)
# Windows 10 calls (DPI awareness, dynamic time zones); UNICODE for the W calls.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE NOMINMAX
                        WIN32_LEAN_AND_MEAN)
enable_language(RC)

# cmake --build <dir> --target package: billora-<version>-win64.zip with the
# programs and the venue's installation text, and billora-<version>-win64.msi
# that installs the same files (packaging/windows/).
install(FILES "${PROJECT_SOURCE_DIR}/docs/install-windows.txt" DESTINATION . RENAME INSTALL.txt)
set(CPACK_GENERATOR ZIP External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT "${PROJECT_SOURCE_DIR}/packaging/windows/msi.cmake")
set(CPACK_BILLORA_WXS "${PROJECT_SOURCE_DIR}/packaging/windows/billora.wxs")
set(CPACK_PACKAGE_FILE_NAME "billora-${PROJECT_VERSION}-win64")
set(CPACK_STRIP_FILES ON)
include(CPack)
