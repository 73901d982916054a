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

# The programs of the venue folder stopped before any file changes, at every
# install, upgrade and removal: the keeper of this package (the installed one
# may be older) run from the Binary table as LocalSystem, deferred without
# impersonation (2 + 64 + 1024 + 2048: an EXE from the Binary table, its
# exit code ignored), which may end a program in any session; before the
# removal of the earlier version, which moves one step on. The folder ends
# in "\.": a "\" before the closing quote would escape it.
# Then the new keeper started once the files are in place, so that the display
# comes back without a logon (34 + 192: an EXE by its path, not waited for).
# An immediate action runs with the rights of the user who installs and in
# that user's session, where the keeper must run (a deferred one without
# impersonation would run as LocalSystem in session 0, out of sight): after
# InstallFinalize for a silent install (msiexec /qn runs no UI sequence), and
# after ExecuteAction, from the user's own process, for an install with its
# window. When both run, the second keeper ends at once. An install by the
# system account (a deployment service: UserSID S-1-5-18) starts none: it
# would run in session 0, out of sight; the next logon starts it.
set(keeper_actions
  "UPDATE InstallExecuteSequence SET Sequence = 1502 WHERE Action = 'RemoveExistingProducts'"
  "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('StopPrograms', 3138, 'StopperProgram', '--stop \"[INSTALLDIR].\"')"
  "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('StopPrograms', 1501)"
  "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('StartKeeper', 226, 'INSTALLDIR', '\"[INSTALLDIR]billora-keeper.exe\"')"
  "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('StartKeeper', 'NOT REMOVE~=\"ALL\" AND UserSID<>\"S-1-5-18\"', 6601)"
  "INSERT INTO InstallUISequence (Action, Condition, Sequence) VALUES ('StartKeeper', 'NOT REMOVE~=\"ALL\" AND UserSID<>\"S-1-5-18\"', 1301)")
foreach(query IN LISTS keeper_actions)
  execute_process(COMMAND msibuild "${msi}" -q "${query}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# The rights, in SDDL with well-known accounts (a LockPermissions row names
# accounts in the language of Windows, and only "Everyone" and
# "Administrators" are translated; MsiLockPermissionsEx, read from Windows
# Installer 5.0 on, takes SIDs). Every installed file: protected from the
# folder's rights, full control for SYSTEM and Administrators, read and run
# for Users, so that no other account can replace a program the Startup
# folder runs for everyone. The folder: the same for itself, with the right
# of Users to add files and folders (list.mdb, list.ldb that Access makes,
# medias\, templates\, speech\), but not to rename or remove it; what is
# put in it, Users may change (Modify, inherited only).
set(program_sddl "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)")
set(folder_sddl "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200af;;;BU)(A;OICIIO;0x1301bf;;;BU)")
execute_process(COMMAND msiinfo export "${msi}" File OUTPUT_VARIABLE file_table COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\r" "" file_table "${file_table}")
string(REGEX MATCHALL "\n[^\t\n]+\t" keys "${file_table}")
set(rows "MsiLockPermissionsEx\tLockObject\tTable\tSDDL\tCondition\n")
string(APPEND rows "s72\ts72\ts32\ts0\tS255\nMsiLockPermissionsEx\tMsiLockPermissionsEx\n")
string(APPEND rows "VenueFolder\tINSTALLDIR\tCreateFolder\t${folder_sddl}\t\n")
list(REMOVE_AT keys 0 1)  # the header's second and third lines
foreach(key IN LISTS keys)
  string(STRIP "${key}" key)
  string(APPEND rows "${key}\t${key}\tFile\t${program_sddl}\t\n")
endforeach()
file(WRITE "${work}/MsiLockPermissionsEx.idt" "${rows}")
execute_process(COMMAND msibuild "${msi}" -i "${work}/MsiLockPermissionsEx.idt" COMMAND_ERROR_IS_FATAL ANY)
include("${CMAKE_CURRENT_LIST_DIR}/sign.cmake")
billora_sign("${msi}")
set(CPACK_EXTERNAL_BUILT_PACKAGES "${msi}")
