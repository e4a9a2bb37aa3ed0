# wine_roundtrip: quotemill.exe under Wine against the Linux quotemill on a private Xvfb. Built
# when the Windows tree is (tests/windows: mingw-w64 and Wine installed).
if(TARGET quotemill_windows AND TARGET qm_x_session)
  set(QM_WINDOWS_BUILD_DIR ${CMAKE_BINARY_DIR}/windows)
  set(QM_WINE_PREFIX ${QM_WINDOWS_BUILD_DIR}/wineprefix)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine_quotemill.sh.in ${CMAKE_BINARY_DIR}/bench/wine_quotemill @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                  WORLD_EXECUTE)
  add_executable(wine_roundtrip ${CMAKE_CURRENT_LIST_DIR}/wine_roundtrip.cpp)
  target_link_libraries(wine_roundtrip PRIVATE qm_roundtrip_harness)
  target_compile_definitions(wine_roundtrip PRIVATE QM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                             QM_WINDOWS_BUILD_DIR="${QM_WINDOWS_BUILD_DIR}"
                             QM_WINE_QUOTEMILL="${CMAKE_BINARY_DIR}/bench/wine_quotemill")
  set_target_properties(wine_roundtrip PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_dependencies(wine_roundtrip quotemill quotemill_ui quotemill_windows)
endif()
