# `ornatex check` over a tree of a few thousand small files beside
# ImageMagick's identify over the same files, reading every file, and a
# memcpy of the same bytes, in the same run.
if(TARGET ornatex_tool)
  add_executable(check_bench ${CMAKE_CURRENT_LIST_DIR}/check_bench.cpp)
  target_link_libraries(check_bench PRIVATE benchmark::benchmark)
  target_compile_definitions(check_bench PRIVATE
    ORNATEX_TOOL="$<TARGET_FILE:ornatex_tool>"
    SAMPLE_DATA="${PROJECT_SOURCE_DIR}/ornatex/imageloaders/tests/data")
  add_dependencies(check_bench ornatex_tool)
  project_warnings(check_bench)
endif()
