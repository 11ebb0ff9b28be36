# `ornatex convert` to TGA on a 4096 x 4096 picture: in-process (encode,
# write, read back and compare, rename; the import step alone), as the
# whole program, and ImageMagick's convert on the same inputs, with a memcpy
# of the output bytes, in the same run.
if(TARGET ornatex_writers AND TARGET ornatex_tool_import)
  add_executable(convert_bench ${CMAKE_CURRENT_LIST_DIR}/convert_bench.cpp)
  target_link_libraries(convert_bench PRIVATE ornatex_tool_import ornatex_writers ornatex benchmark::benchmark)
  target_compile_definitions(convert_bench PRIVATE ORNATEX_TOOL="$<TARGET_FILE:ornatex_tool>")
  add_dependencies(convert_bench ornatex_tool)
  project_warnings(convert_bench)
endif()
