# Runs demo_setup as the downloader would find it (setup.exe in an unpacked folder) and checks
# what a demo script relies on: exit code 0 after /quit-after, and the marker beside the copy.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/kelqoffline")
file(COPY_FILE "${EXE}" "${WORK}/kelqoffline/setup.exe")
execute_process(COMMAND wine "${WORK}/kelqoffline/setup.exe" /quit-after 300
                RESULT_VARIABLE rc TIMEOUT 40 INPUT_FILE /dev/null)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "setup.exe /quit-after 300 ended with ${rc}")
endif()
set(marker "${WORK}/kelqoffline/demo_setup.started")
if(NOT EXISTS "${marker}")
  message(FATAL_ERROR "no marker beside the program: ${marker}")
endif()
file(READ "${marker}" text)
if(NOT text MATCHES "pid=[0-9]+\nexe=[^\n]*setup\\.exe\ncommand=[^\n]*/quit-after 300\n$")
  message(FATAL_ERROR "marker text: ${text}")
endif()
# A wrong argument is refused, not taken for "stay open".
execute_process(COMMAND wine "${WORK}/kelqoffline/setup.exe" /quit-after soon
                RESULT_VARIABLE rc TIMEOUT 20 INPUT_FILE /dev/null)
if(NOT rc EQUAL 2)
  message(FATAL_ERROR "setup.exe /quit-after soon ended with ${rc}")
endif()
message(STATUS "demo_setup: ok")
