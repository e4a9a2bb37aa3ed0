find_package(benchmark REQUIRED)

add_executable(core_bench core_bench.cpp)
target_link_libraries(core_bench PRIVATE qm_main benchmark::benchmark)

add_executable(roundtrip_bench roundtrip_bench.cpp)
target_link_libraries(roundtrip_bench PRIVATE qm_x_session)
set_target_properties(core_bench roundtrip_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
