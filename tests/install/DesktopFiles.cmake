# Checks the desktop entry and the AppStream metainfo: both validators pass
# without a warning, the id names the desktop entry, metainfo and icon alike,
# and the newest release in the metainfo and debian/changelog is the
# project's version.

function(run_validator)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    message(STATUS "${ARGN}:\n${out}")
    if(NOT status EQUAL 0 OR out MATCHES "(^|[ \n])(error|warning|E|W):")
        message(FATAL_ERROR "${ARGV0} does not accept the file")
    endif()
endfunction()

foreach(tool DESKTOP_FILE_VALIDATE APPSTREAMCLI)
    if(NOT ${tool})
        message(FATAL_ERROR "${tool} not found: run tools/setup.sh")
    endif()
endforeach()

set(desktop ${SOURCE_DIR}/resources/${APP_ID}.desktop)
set(metainfo ${SOURCE_DIR}/resources/${APP_ID}.metainfo.xml)
run_validator(${DESKTOP_FILE_VALIDATE} ${desktop})
run_validator(${APPSTREAMCLI} validate --no-net --no-color ${metainfo})

file(READ ${desktop} entry)
file(READ ${metainfo} info)
file(READ ${SOURCE_DIR}/debian/changelog changelog)
foreach(check
        "entry;\nIcon=${APP_ID}\n"
        "info;<id>${APP_ID}</id>"
        "info;<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>"
        "info;<icon type=\"stock\">${APP_ID}</icon>")
    list(GET check 0 variable)
    list(GET check 1 text)
    string(FIND "${${variable}}" "${text}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "missing from the ${variable} file: ${text}")
    endif()
endforeach()

string(REGEX MATCH "<release version=\"([^\"]+)\"" _ "${info}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR "newest release in the metainfo is '${CMAKE_MATCH_1}', the project's version ${VERSION}")
endif()
string(REGEX MATCH "^lyrovan \\(([^)]+)\\)" _ "${changelog}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR "newest entry in debian/changelog is '${CMAKE_MATCH_1}', the project's version ${VERSION}")
endif()
