# The terrain's tile change (one grid rebuild) and the per-frame update that
# finds no new tile, beside a memcpy of the vertex bytes a rebuild writes.
add_executable(terrain_bench ${CMAKE_CURRENT_LIST_DIR}/terrain_bench.cpp)
target_link_libraries(terrain_bench PRIVATE interceptor benchmark::benchmark)
project_warnings(terrain_bench)
