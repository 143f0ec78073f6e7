# The Windows program (included by the top-level build for WIN32 only): a GUI-subsystem program
# (no console window of its own; src/platform/Console attaches to a parent's console), with the
# game's icon, version information and manifest compiled in by windres from dist/windows/.
set_target_properties(gloopa PROPERTIES WIN32_EXECUTABLE ON)
enable_language(RC)

# The icon is drawn by make_icons, which a cross build cannot run: scripts/build-windows.sh
# builds it for the build machine and passes its gloopa.ico in.
set(GLOOPA_HOST_ICON "" CACHE FILEPATH "gloopa.ico drawn by the build machine's make_icons")
if(NOT EXISTS "${GLOOPA_HOST_ICON}")
  message(FATAL_ERROR "the Windows program needs GLOOPA_HOST_ICON: the gloopa.ico of a native "
    "build's make_icons (scripts/build-windows.sh makes one)")
endif()

# Windows versions have four numbers; the project's missing ones are 0.
string(REPLACE "." ";" version_parts "${PROJECT_VERSION}.0.0.0")
list(SUBLIST version_parts 0 4 GLOOPA_RC_VERSION_COMMAS)
list(JOIN GLOOPA_RC_VERSION_COMMAS "." GLOOPA_RC_VERSION_DOTS)
list(JOIN GLOOPA_RC_VERSION_COMMAS "," GLOOPA_RC_VERSION_COMMAS)

set(rc_dir ${CMAKE_BINARY_DIR}/generated/windows)
set(GLOOPA_RC_ICON ${GLOOPA_HOST_ICON})
set(GLOOPA_RC_MANIFEST ${rc_dir}/gloopa.manifest)
configure_file(${CMAKE_SOURCE_DIR}/dist/windows/gloopa.manifest.in ${GLOOPA_RC_MANIFEST} @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/dist/windows/gloopa.rc.in ${rc_dir}/gloopa.rc @ONLY)
target_sources(gloopa PRIVATE ${rc_dir}/gloopa.rc)
set_source_files_properties(${rc_dir}/gloopa.rc PROPERTIES
  OBJECT_DEPENDS "${GLOOPA_HOST_ICON};${GLOOPA_RC_MANIFEST}")
