# The frame benchmark: velkin's own statistics beside an empty SDL2/OpenGL
# frame loop (clear and swap only), both under Xvfb in one run of
# bench/frame_rate.sh. This file builds the empty loop.
find_package(SDL2 REQUIRED)
set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL REQUIRED)
add_executable(frame_empty_loop ${CMAKE_CURRENT_LIST_DIR}/frame_empty_loop.cpp)
target_link_libraries(frame_empty_loop PRIVATE SDL2::SDL2 OpenGL::GL)
project_warnings(frame_empty_loop)
