# Runs one script test (see CMakeLists.txt). Lines at the top of the script
# set it up:
#   # setup: ARGS        more arguments for make_demo_meet (--done 3 ...)
#   # remove: PATH       deletes PATH (relative to the demo folder) first
#   # remove-folder: PATH  deletes the folder PATH with its contents first
#   # write: PATH TEXT   writes TEXT to PATH first, each "|" a line break (CR LF)
#   # exit: N            the expected exit status (0 when absent)
# The program runs as at the meet: from OUTDIR/prog with drive c: mapped to
# the demo folder. UPDATE=1 writes the actual output over the expected file.
# When <name>.warnings exists beside the script, the "warning: " lines of
# standard error (the boxes that do not block) must equal it as well.
foreach(var POOLSIDE MAKE_DEMO_MEET SCRIPT EXPECTED WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_script.cmake needs -D${var}=...")
  endif()
endforeach()

file(STRINGS ${SCRIPT} header REGEX "^# (setup|remove|remove-folder|write|exit):")
set(setup_args)
set(removes)
set(folders)
set(writes)
set(expected_status 0)
foreach(line IN LISTS header)
  if(line MATCHES "^# setup: *(.*)$")
    separate_arguments(more UNIX_COMMAND "${CMAKE_MATCH_1}")
    list(APPEND setup_args ${more})
  elseif(line MATCHES "^# remove: *(.*)$")
    list(APPEND removes "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^# remove-folder: *(.*)$")
    list(APPEND folders "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^# write: *([^ ]+) (.*)$")
    list(APPEND writes "${CMAKE_MATCH_1}")
    set("write_${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
  elseif(line MATCHES "^# exit: *([0-9]+)")
    set(expected_status ${CMAKE_MATCH_1})
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(demo ${WORK}/meet)
execute_process(COMMAND ${MAKE_DEMO_MEET} ${demo} ${setup_args}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make_demo_meet ${setup_args} failed (${rc}): ${out}${err}")
endif()
foreach(path IN LISTS removes)
  file(REMOVE ${demo}/${path})
endforeach()
foreach(path IN LISTS folders)
  file(REMOVE_RECURSE ${demo}/${path})
endforeach()
foreach(path IN LISTS writes)
  string(REPLACE "|" "\r\n" text "${write_${path}}")
  file(WRITE ${demo}/${path} "${text}")
endforeach()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
    ${POOLSIDE} -platform offscreen --drive c=${demo} --script ${SCRIPT}
  WORKING_DIRECTORY ${demo}/prog
  TIMEOUT 90
  RESULT_VARIABLE status OUTPUT_VARIABLE actual ERROR_VARIABLE diagnostics)
# Messages may name files by their native path: the demo folder is shown as
# <meet> so the transcripts do not depend on the build folder.
string(REPLACE "${demo}" "<meet>" actual "${actual}")
file(WRITE ${WORK}/actual.out "${actual}")
file(WRITE ${WORK}/stderr.txt "${diagnostics}")

if(DEFINED ENV{UPDATE} AND "$ENV{UPDATE}" STREQUAL "1")
  file(WRITE ${EXPECTED} "${actual}")
endif()
set(failed FALSE)
if(NOT EXISTS ${EXPECTED})
  message(SEND_ERROR "no expected output ${EXPECTED}; the actual one is in ${WORK}/actual.out")
  set(failed TRUE)
else()
  file(READ ${EXPECTED} expected)
  if(NOT actual STREQUAL expected)
    execute_process(COMMAND diff -u ${EXPECTED} ${WORK}/actual.out OUTPUT_VARIABLE difference)
    message(SEND_ERROR "standard output differs from ${EXPECTED}:\n${difference}")
    set(failed TRUE)
  endif()
endif()
string(REGEX REPLACE "\\.script$" ".warnings" warnings_file "${SCRIPT}")
if(EXISTS ${warnings_file})
  string(REPLACE "${demo}" "<meet>" diagnostics_shown "${diagnostics}")
  string(REGEX MATCHALL "warning: [^\n]*\n" warning_lines "${diagnostics_shown}")
  string(JOIN "" warnings ${warning_lines})
  file(WRITE ${WORK}/actual.warnings "${warnings}")
  if(DEFINED ENV{UPDATE} AND "$ENV{UPDATE}" STREQUAL "1")
    file(WRITE ${warnings_file} "${warnings}")
  endif()
  file(READ ${warnings_file} expected_warnings)
  if(NOT warnings STREQUAL expected_warnings)
    execute_process(COMMAND diff -u ${warnings_file} ${WORK}/actual.warnings
      OUTPUT_VARIABLE difference)
    message(SEND_ERROR "warnings differ from ${warnings_file}:\n${difference}")
    set(failed TRUE)
  endif()
endif()
if(NOT "${status}" STREQUAL "${expected_status}")
  message(SEND_ERROR "exit status ${status}, expected ${expected_status}\nstandard error:\n${diagnostics}")
  set(failed TRUE)
endif()
if(failed)
  message(FATAL_ERROR "script ${SCRIPT} failed")
endif()
