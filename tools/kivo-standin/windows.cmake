# kivo-standin.exe: the stand-in viewer's scene logic with its Win32 transport
# (included from tools/CMakeLists.txt on Windows).
set(standin_dir "${CMAKE_CURRENT_SOURCE_DIR}/kivo-standin")
add_executable(kivo-standin "${standin_dir}/win32_transport.cpp" "${standin_dir}/options.cpp"
               "${standin_dir}/display.cpp" "${standin_dir}/atoms.cpp" "${standin_dir}/trace.cpp"
               "${standin_dir}/layout.cpp")
target_link_libraries(kivo-standin PRIVATE billora_wire)
set_target_properties(kivo-standin PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/tools")
install(TARGETS kivo-standin RUNTIME DESTINATION .)
