# settings_startup: process start to the settings window mapped on a private Xvfb.
add_executable(settings_startup ${CMAKE_CURRENT_LIST_DIR}/settings_startup.cpp)
target_link_libraries(settings_startup PRIVATE X11::X11)
target_compile_definitions(settings_startup PRIVATE QM_QUOTEMILL_PATH="$<TARGET_FILE:quotemill>")
add_dependencies(settings_startup quotemill quotemill_ui)
set_target_properties(settings_startup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
