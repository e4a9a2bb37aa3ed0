find_package(benchmark REQUIRED)

add_executable(core_bench core_bench.cpp)
target_link_libraries(core_bench PRIVATE qm_main benchmark::benchmark)

add_library(qm_process_timing STATIC process_timing.cpp process_timing.h)
target_include_directories(qm_process_timing PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

add_executable(roundtrip_bench roundtrip_bench.cpp)
target_link_libraries(roundtrip_bench PRIVATE qm_x_session qm_process_timing)
add_dependencies(roundtrip_bench quotemill quotemill_ui)
set_target_properties(core_bench roundtrip_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
