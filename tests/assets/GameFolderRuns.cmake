# Runs the game headless three ways, each from a working folder that holds no game files:
#   1. as built: it must find the four models beside itself and exit 0;
#   2. copied into a folder without sphere.txt: the loader's message, then a non-zero status;
#   3. copied with a bitmap that is not a bitmap: "Invalid Bitmap", then a non-zero status.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/elsewhere)
get_filename_component(game_name ${GAME} NAME)

function(run_game exe out_rc out_err)
  execute_process(COMMAND ${exe} --headless --frames 5
    WORKING_DIRECTORY ${WORK}/elsewhere
    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err TIMEOUT 30)
  set(${out_rc} ${rc} PARENT_SCOPE)
  set(${out_err} "${err}" PARENT_SCOPE)
endfunction()

function(copy_game folder)
  file(MAKE_DIRECTORY ${folder})
  file(COPY ${GAME} DESTINATION ${folder})
  foreach(f jelly.txt sphere.txt SphereTile8x8.txt CircleFade8x8.txt SphereGlow64.bmp RingFade64.bmp)
    file(COPY ${BIN}/${f} DESTINATION ${folder})
  endforeach()
endfunction()

run_game(${GAME} rc err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the game as built failed from another folder (${rc}):\n${err}")
endif()

copy_game(${WORK}/no_sphere)
file(REMOVE ${WORK}/no_sphere/sphere.txt)
run_game(${WORK}/no_sphere/${game_name} rc err)
if(rc EQUAL 0)
  message(FATAL_ERROR "the game ran without sphere.txt:\n${err}")
endif()
string(FIND "${err}" "Problem reading file sphere.txt\r\nException : No such file or directory\r\nEnsure all files in same folder, press Ok to terminate" at)
if(at EQUAL -1)
  message(FATAL_ERROR "no load message for the missing sphere.txt:\n${err}")
endif()

copy_game(${WORK}/bad_bitmap)
file(WRITE ${WORK}/bad_bitmap/SphereGlow64.bmp "XM this is not a bitmap, but long enough to hold both headers.......")
run_game(${WORK}/bad_bitmap/${game_name} rc err)
if(rc EQUAL 0)
  message(FATAL_ERROR "the game ran with a broken bitmap:\n${err}")
endif()
string(FIND "${err}" "Problem reading file .\\SphereGlow64.bmp\r\nException : Invalid Bitmap\r\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "no Invalid Bitmap message:\n${err}")
endif()
message(STATUS "found its models from another folder; a missing model and a bad bitmap end the run")
