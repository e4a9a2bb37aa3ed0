# lite_roundtrip: quotemill3 against the xclip pipeline, xsel and the floor on a private Xvfb.
if(TARGET qm_x_session)
  add_executable(lite_roundtrip ${CMAKE_CURRENT_LIST_DIR}/lite_roundtrip.cpp)
  target_link_libraries(lite_roundtrip PRIVATE qm_roundtrip_harness)
  set_target_properties(lite_roundtrip PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_dependencies(lite_roundtrip quotemill3 quotemill3_ui)
endif()
