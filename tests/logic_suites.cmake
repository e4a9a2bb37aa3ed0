# The unit suites of the logic (no desktop), as a cross-built tree registers them: the
# Windows tree under Wine (label windows), the arm64 tree under qemu (label unit). `label`
# names the label and `system` (posix or win32) the system's own test sources.
set(t ${PROJECT_SOURCE_DIR}/tests)
qm_add_test(text_test ${label} SOURCES ${t}/main/text_test.cpp LIBS qm_text)
qm_add_test(arguments_test ${label} SOURCES ${t}/main/arguments_test.cpp LIBS qm_main)
qm_add_test(process_test ${label} SOURCES ${t}/main/process_${system}_test.cpp LIBS qm_main)
qm_add_test(quote_builder_test ${label} SOURCES ${t}/main/quote_builder_test.cpp LIBS qm_main qm_platform_memory)
qm_add_test(program_test ${label} SOURCES ${t}/main/program_test.cpp LIBS qm_main qm_platform_memory)
qm_add_test(styles_test ${label} SOURCES ${t}/main/styles_test.cpp LIBS qm_main qm_settings qm_host)
qm_add_test(lite_logic_test ${label}
  SOURCES ${t}/lite/arguments_test.cpp ${t}/lite/templates_test.cpp ${t}/lite/template_file_kinds_${system}.cpp
          ${t}/lite/title_test.cpp ${t}/lite/request_test.cpp
  LIBS qm_lite qm_platform_memory)
qm_add_test(menu_entries_test ${label} SOURCES ${t}/settings/menu_entries_test.cpp LIBS qm_settings)
qm_add_test(form_model_test ${label} SOURCES ${t}/settings/form_model_test.cpp LIBS qm_settings)
qm_add_test(form_controller_test ${label} SOURCES ${t}/settings/form_controller_test.cpp
  LIBS qm_settings qm_platform_memory)
qm_add_test(menu_line_test ${label} SOURCES ${t}/settings/menu_line_test.cpp LIBS qm_menu_line)
qm_add_test(host_test ${label} SOURCES ${t}/host/host_test.cpp LIBS qm_host qm_settings)
qm_add_test(host_program_test ${label} SOURCES ${t}/host/host_program_test.cpp LIBS qm_host_program)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(host_test PRIVATE -Wno-maybe-uninitialized)
endif()
