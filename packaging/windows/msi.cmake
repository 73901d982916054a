# Run by CPack's External generator after it has staged, stripped, exactly
# what the zip holds: makes <package>.msi of those files with wixl (msitools).
set(stage "${CPACK_TEMPORARY_DIRECTORY}")
set(work "${CPACK_TOPLEVEL_DIRECTORY}/msi")
set(msi "${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi")
file(MAKE_DIRECTORY "${work}")

# Every staged file, one component each, into the install folder.
file(GLOB_RECURSE files RELATIVE "${stage}" "${stage}/*")
list(SORT files)
list(TRANSFORM files PREPEND "${stage}/")
list(JOIN files "\n" list)
file(WRITE "${work}/files" "${list}\n")
execute_process(COMMAND wixl-heat --prefix "${stage}/" --directory-ref INSTALLDIR
                        --component-group Programs --var var.SourceDir --win64
                INPUT_FILE "${work}/files" OUTPUT_FILE "${work}/programs.wxs"
                COMMAND_ERROR_IS_FATAL ANY)

# Windows Installer compares three fields; the upgrade's bound is the next.
string(REGEX MATCHALL "[0-9]+" fields "${CPACK_PACKAGE_VERSION}.0.0")
list(GET fields 0 major)
list(GET fields 1 minor)
list(GET fields 2 patch)
math(EXPR next "${patch} + 1")
# wixl takes the files' paths relative to the folder it runs in.
execute_process(COMMAND wixl --arch x64 -D SourceDir=. -D Win64=yes -D "Version=${major}.${minor}.${patch}"
                        -D "NextVersion=${major}.${minor}.${next}" -o "${msi}"
                        "${CPACK_BILLORA_WXS}" "${work}/programs.wxs"
                WORKING_DIRECTORY "${stage}" COMMAND_ERROR_IS_FATAL ANY)
# 7 = SW_SHOWMINNOACTIVE: minimized, and the viewer or the speech page keeps
# the foreground.
execute_process(COMMAND msibuild "${msi}" -q "UPDATE Shortcut SET ShowCmd = 7 WHERE Shortcut = 'Logon'"
                COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_EXTERNAL_BUILT_PACKAGES "${msi}")
