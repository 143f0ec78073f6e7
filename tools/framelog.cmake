# The measure of a frame log against the game's own motion (tools/FrameLogError.cpp).
add_executable(frame_log_error ${CMAKE_SOURCE_DIR}/tools/FrameLogError.cpp)
