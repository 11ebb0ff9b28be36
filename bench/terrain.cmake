# The terrain's tile change (as the world starts, and shrunk to 0.05^4 with
# every level rebuilt) and the per-frame update that rebuilds nothing,
# beside a memcpy of the vertex bytes the worst case writes.
add_executable(terrain_bench ${CMAKE_CURRENT_LIST_DIR}/terrain_bench.cpp)
target_link_libraries(terrain_bench PRIVATE interceptor benchmark::benchmark)
project_warnings(terrain_bench)
