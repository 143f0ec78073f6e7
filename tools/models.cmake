# The generator of the game's four models and their bitmaps. Its output is committed in data/;
# `cmake --build <dir> --target regenerate_models` writes it there again.
add_executable(make_models ${CMAKE_SOURCE_DIR}/tools/MakeModels.cpp)
add_custom_target(regenerate_models
  COMMAND make_models ${CMAKE_SOURCE_DIR}/data
  COMMENT "Writing the models and bitmaps into data/")
