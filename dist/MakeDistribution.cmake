# Builds the distribution folder from scratch and zips it (run with cmake -P;
# the variables come from dist/CMakeLists.txt).
#
# Mivo reads Setup.inf and shows Readme.txt in the system's ANSI code page, so
# both go out as Shift-JIS (code page 932) with CR LF. TDR.ini goes out as
# UTF-16 with a byte-order mark, the form Tandrel keeps it in.

function(convert_text input output encoding)
    file(READ ${input} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${output}.crlf "${text}")
    execute_process(COMMAND iconv -f UTF-8 -t ${encoding} ${output}.crlf
        OUTPUT_FILE ${output}
        RESULT_VARIABLE status
        ERROR_VARIABLE error)
    file(REMOVE ${output}.crlf)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cannot convert ${input} to ${encoding}: ${error}")
    endif()
endfunction()

file(REMOVE_RECURSE ${DIST_DIR})
file(MAKE_DIRECTORY ${DIST_DIR})
configure_file(${MIVO} ${DIST_DIR}/Setup.exe COPYONLY)
configure_file(${TANDREL} ${DIST_DIR}/Tandrel.exe COPYONLY)
convert_text(${SETUP_INF} ${DIST_DIR}/Setup.inf CP932)
convert_text(${README} ${DIST_DIR}/Readme.txt CP932)
# glibc's "UTF-16" writes the byte-order mark, then little-endian units.
convert_text(${SETTINGS} ${DIST_DIR}/TDR.ini UTF-16)
file(COPY ${HELP_INDEX} ${HELP_IMAGES} DESTINATION ${DIST_DIR})

get_filename_component(parent ${DIST_DIR} DIRECTORY)
get_filename_component(folder ${DIST_DIR} NAME)
file(REMOVE ${DIST_ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${DIST_ZIP} --format=zip ${folder}
    WORKING_DIRECTORY ${parent}
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot zip ${DIST_DIR}")
endif()
