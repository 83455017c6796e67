# Writes a help2man include file with a COMMANDS section: the --help of each of quillnet's
# commands, so that the man page says all that the program says. The commands are those that
# quillnet --help lists, in its order.
# Usage: cmake -DQUILLNET=path/to/quillnet -DOUTPUT=file.h2m -P commandsection.cmake
execute_process(COMMAND ${QUILLNET} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
string(REGEX MATCH "\nSubcommands:\n(  [^\n]*\n)+" listed "${help}")
string(REGEX MATCHALL "\n  [a-z]+" commands "${listed}")
list(TRANSFORM commands STRIP)
if(NOT status EQUAL 0 OR NOT commands)
    message(FATAL_ERROR "quillnet --help lists no commands")
endif()
set(text "[COMMANDS]\n")
foreach(command ${commands})
    execute_process(COMMAND ${QUILLNET} ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "quillnet ${command} --help failed")
    endif()
    # roff: a line starting with "." or "'" would be read as a request.
    string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" help "${help}")
    string(APPEND text ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")
