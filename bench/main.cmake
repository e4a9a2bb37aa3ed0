find_package(benchmark REQUIRED)

add_executable(core_bench core_bench.cpp)
target_link_libraries(core_bench PRIVATE qm_main benchmark::benchmark)
set_target_properties(core_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

# The round trips' own X programs: the launcher that times a run, the clipboard owner each
# run reads from, and the floor client.
add_library(qm_selection_io STATIC selection_io.cpp selection_io.h)
target_include_directories(qm_selection_io PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qm_selection_io PUBLIC X11::X11)
add_executable(bench_launch bench_launch.cpp)
add_executable(bench_owner bench_owner.cpp)
target_link_libraries(bench_owner PRIVATE qm_selection_io)
add_executable(bench_floor bench_floor.cpp)
target_link_libraries(bench_floor PRIVATE qm_selection_io)

# The round trips run on a private Xvfb, or with --wayland on sway run headless.
add_library(qm_roundtrip_harness STATIC roundtrip_harness.cpp roundtrip_harness.h)
target_include_directories(qm_roundtrip_harness PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qm_roundtrip_harness PUBLIC qm_wayland_session qm_selection_io)
add_dependencies(qm_roundtrip_harness bench_launch bench_owner bench_floor)

add_executable(roundtrip_bench roundtrip_bench.cpp)
target_link_libraries(roundtrip_bench PRIVATE qm_roundtrip_harness)
add_dependencies(roundtrip_bench quotemill quotemill_ui)
set_target_properties(roundtrip_bench bench_launch bench_owner bench_floor
                      PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
