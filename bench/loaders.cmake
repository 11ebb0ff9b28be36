# loadTIFF beside libtiff's TIFFReadRGBAImage and decodeTIFF, loadRGBA beside
# decodeSGI, and the SGI dump beside one printf a line; each with a memcpy of the
# output bytes, in the same run. The SGI dump is internal to ornatex: the
# benchmark links the test library (the library's objects, statically).
find_package(TIFF)
if(TIFF_FOUND)
  add_executable(loaders_bench ${CMAKE_CURRENT_LIST_DIR}/loaders_bench.cpp)
  target_link_libraries(loaders_bench PRIVATE ornatex_testlib TIFF::TIFF benchmark::benchmark)
  project_warnings(loaders_bench)
else()
  message(STATUS "libtiff not found: loaders_bench is not built (install libtiff-dev)")
endif()
