# The application icons, drawn at build time from the game's own bitmaps and installed into the
# hicolor theme, and gloopa.ico for the Windows program. A cross build draws none: it is handed the
# native build's gloopa.ico (GLOOPA_HOST_ICON, cmake/WindowsProgram.cmake).
if(CMAKE_CROSSCOMPILING)
  return()
endif()
find_package(PNG REQUIRED)
set(GLOOPA_ICON_SIZES 16 24 32 48 64 128 256)
set(GLOOPA_ICON_DIR ${CMAKE_BINARY_DIR}/generated/icons)
add_executable(make_icons ${CMAKE_SOURCE_DIR}/tools/MakeIcons.cpp)
target_include_directories(make_icons PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(make_icons PRIVATE PNG::PNG)
set(icon_files ${GLOOPA_ICON_DIR}/gloopa.ico)
foreach(size ${GLOOPA_ICON_SIZES})
  list(APPEND icon_files ${GLOOPA_ICON_DIR}/gloopa-${size}.png)
endforeach()
add_custom_command(OUTPUT ${icon_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${GLOOPA_ICON_DIR}
  COMMAND make_icons ${CMAKE_SOURCE_DIR}/data ${GLOOPA_ICON_DIR}
  DEPENDS make_icons ${CMAKE_SOURCE_DIR}/data/SphereGlow64.bmp ${CMAKE_SOURCE_DIR}/data/RingFade64.bmp
  COMMENT "Drawing the application icons")
add_custom_target(gloopa_icons ALL DEPENDS ${icon_files})
foreach(size ${GLOOPA_ICON_SIZES})
  install(FILES ${GLOOPA_ICON_DIR}/gloopa-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME gloopa.png)
endforeach()
