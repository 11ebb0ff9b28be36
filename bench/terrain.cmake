# The terrain: a tile change and an update in flight, as the world starts
# and at the deepest scale, and a whole frame drawn offscreen at both, beside
# a memcpy of the vertex bytes the deepest tile change writes.
add_executable(terrain_bench ${CMAKE_CURRENT_LIST_DIR}/terrain_bench.cpp)
target_link_libraries(terrain_bench PRIVATE interceptor benchmark::benchmark)
project_warnings(terrain_bench)
