# Installs the build into a fresh prefix, has appstreamcli check the installed
# desktop entry, metainfo and icons together, and runs the installed program's
# --check-data without a display: once from its bin/ folder, where it finds
# ../share/lyrovan, and once moved elsewhere, where only XDG_DATA_DIRS leads
# to the data. Both must read Chords.mdb and Help.chm from share/lyrovan.

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed")
endif()

set(data ${PREFIX}/share/lyrovan)
set(files
    bin/lyrovan share/lyrovan/Chords.mdb share/lyrovan/Help.chm
    share/applications/${APP_ID}.desktop share/metainfo/${APP_ID}.metainfo.xml
    share/icons/hicolor/scalable/apps/${APP_ID}.svg share/man/man1/lyrovan.1)
foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND files share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png)
endforeach()
foreach(file ${files})
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

execute_process(COMMAND ${APPSTREAMCLI} validate-tree --no-net --no-color ${PREFIX}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
message(STATUS "appstreamcli validate-tree:\n${out}")
if(NOT status EQUAL 0 OR out MATCHES "(^|[ \n])(E|W):")
    message(FATAL_ERROR "appstreamcli does not accept the installed tree")
endif()

# elsewhere/bin has no share/lyrovan beside it.
file(MAKE_DIRECTORY ${PREFIX}/elsewhere/bin ${PREFIX}/empty)
file(COPY ${PREFIX}/bin/lyrovan DESTINATION ${PREFIX}/elsewhere/bin)
foreach(run "bin;${PREFIX}/empty" "elsewhere/bin;${PREFIX}/share")
    list(GET run 0 folder)
    list(GET run 1 dataDirs)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
            XDG_DATA_HOME=${PREFIX}/empty XDG_DATA_DIRS=${dataDirs}
            ${PREFIX}/${folder}/lyrovan --check-data
        RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    message(STATUS "${folder}/lyrovan --check-data with XDG_DATA_DIRS=${dataDirs}:\n${out}${err}")
    string(FIND "${out}" "Chords.mdb: ${data}/Chords.mdb (" database)
    string(FIND "${out}" "Help.chm: ${data}/Help.chm" help)
    if(NOT status EQUAL 0 OR database EQUAL -1 OR help EQUAL -1)
        message(FATAL_ERROR "the program in ${folder}/ did not read its data from ${data}")
    endif()
endforeach()
