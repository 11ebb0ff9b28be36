# Construction of each primitive and the parametric rebuild, each beside a
# memcpy of the same bytes (the arrays it hands over) in the same run.
add_executable(primitives_bench ${CMAKE_CURRENT_LIST_DIR}/primitives_bench.cpp)
target_link_libraries(primitives_bench PRIVATE ornatex benchmark::benchmark)
project_warnings(primitives_bench)
