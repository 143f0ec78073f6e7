# Runs the game headless three ways, each from a working folder that holds no game files:
#   1. as built: it must find the four models beside itself and exit 0;
#   2. copied into a folder without sphere.txt: the loader's message, then a non-zero status;
#   3. copied with a bitmap that is not a bitmap: "Invalid Bitmap", then a non-zero status.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/elsewhere)
get_filename_component(game_name ${GAME} NAME)

function(run_game exe out_rc out_err)
  # CMake drops carriage returns from text it reads, and the messages have CR LF line breaks, so
  # the output is compared in hex.
  execute_process(COMMAND ${exe} --headless --frames 5
    WORKING_DIRECTORY ${WORK}/elsewhere
    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_FILE ${WORK}/stderr.txt TIMEOUT 30)
  file(READ ${WORK}/stderr.txt err HEX)
  set(${out_rc} ${rc} PARENT_SCOPE)
  set(${out_err} "${err}" PARENT_SCOPE)
endfunction()

# Sets out_found when the hex-coded output holds Text at a whole-byte position.
function(output_has hex text out_found)
  string(HEX "${text}" pattern)
  string(FIND "${hex}" "${pattern}" at)
  math(EXPR odd "${at} % 2")
  if(at GREATER -1 AND odd EQUAL 0)
    set(${out_found} TRUE PARENT_SCOPE)
  else()
    set(${out_found} FALSE PARENT_SCOPE)
  endif()
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
  message(FATAL_ERROR "the game as built failed from another folder (${rc})")
endif()

# The game copied into Folder, with one file broken by Break (a list of CMake file() arguments
# naming the file by ${dir}), must end with a non-zero status and say Message.
function(expect_load_failure folder what message)
  copy_game(${WORK}/${folder})
  set(dir ${WORK}/${folder})
  cmake_language(EVAL CODE "${ARGN}")
  run_game(${WORK}/${folder}/${game_name} rc err)
  if(rc EQUAL 0)
    message(FATAL_ERROR "the game ran ${what}")
  endif()
  output_has("${err}" "${message}" found)
  if(NOT found)
    message(FATAL_ERROR "no message for ${what} (stderr in ${WORK}/stderr.txt)")
  endif()
endfunction()

expect_load_failure(no_sphere "without sphere.txt"
  "Problem reading file sphere.txt\r\nException : No such file or directory\r\nEnsure all files in same folder, press Ok to terminate"
  "file(REMOVE \${dir}/sphere.txt)")
expect_load_failure(bad_bitmap "with a broken bitmap"
  "Problem reading file .\\SphereGlow64.bmp\r\nException : Invalid Bitmap\r\n"
  "file(WRITE \${dir}/SphereGlow64.bmp \"XM this is not a bitmap, but long enough to hold both headers.......\")")
message(STATUS "found its models from another folder; a missing model and a bad bitmap end the run")
