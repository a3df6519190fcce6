# Installs the build tree BUILD_DIR into PREFIX (emptied first) and checks what lands there:
#   cmake -DBUILD_DIR=... -DPREFIX=... -P check_install.cmake
foreach(var BUILD_DIR PREFIX)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${status}):\n${out}${err}")
endif()

set(failures "")
macro(fail text)
    list(APPEND failures "${text}")
endmacro()

function(read_required rel var)
    if(EXISTS "${PREFIX}/${rel}")
        file(READ "${PREFIX}/${rel}" content)
    else()
        set(content "")
    endif()
    set(${var} "${content}" PARENT_SCOPE)
endfunction()

foreach(rel bin/flowviewer bin/flo2png bin/flowconvert bin/floweval bin/flowwarp
            share/applications/flowviewer.desktop share/mime/packages/flowviewer.xml
            share/man/man1/flo2png.1 share/man/man1/flowconvert.1 share/man/man1/floweval.1
            share/man/man1/flowwarp.1)
    if(NOT EXISTS "${PREFIX}/${rel}")
        fail("missing ${rel}")
    endif()
endforeach()

# The programs are installed runnable, and flo2png works from where it was installed.
execute_process(COMMAND test -x "${PREFIX}/bin/flowviewer" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    fail("bin/flowviewer is not executable")
endif()
execute_process(COMMAND "${PREFIX}/bin/flo2png" --quiet "${BUILD_DIR}/sample/sample.flo"
                        -o "${PREFIX}/check.png"
                RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT EXISTS "${PREFIX}/check.png")
    fail("the installed flo2png did not convert the sample (${status}): ${err}")
endif()
execute_process(COMMAND "${PREFIX}/bin/flowconvert" "${BUILD_DIR}/sample/sample.flo"
                        "${PREFIX}/check.npy"
                RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT EXISTS "${PREFIX}/check.npy")
    fail("the installed flowconvert did not convert the sample (${status}): ${err}")
endif()

# .flo5 goes through HDF5's library, which the programs load when they first meet the format.
if(HAS_HDF5)
    execute_process(COMMAND "${PREFIX}/bin/flowconvert" "${BUILD_DIR}/sample/sample.flo"
                            "${PREFIX}/check.flo5"
                    RESULT_VARIABLE status ERROR_VARIABLE err)
    if(status EQUAL 0)
        execute_process(COMMAND "${PREFIX}/bin/flowconvert" "${PREFIX}/check.flo5"
                                "${PREFIX}/check.flo"
                        RESULT_VARIABLE status ERROR_VARIABLE err)
    endif()
    if(NOT status EQUAL 0)
        fail("the installed flowconvert did not write and read .flo5 (${status}): ${err}")
    endif()
    file(SHA256 "${BUILD_DIR}/sample/sample.flo" before)
    file(SHA256 "${PREFIX}/check.flo" after)
    if(NOT before STREQUAL after)
        fail("the sample came back from .flo5 changed")
    endif()
endif()

execute_process(COMMAND "${PREFIX}/bin/floweval" --csv "${PREFIX}/check.csv"
                        "${BUILD_DIR}/sample/sample.flo" "${BUILD_DIR}/sample/sample.flo"
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT EXISTS "${PREFIX}/check.csv")
    fail("the installed floweval did not evaluate the sample (${status}): ${err}")
endif()

# The desktop entry, the MIME type and the icon must name one another.
read_required(share/mime/packages/flowviewer.xml mime_xml)
read_required(share/applications/flowviewer.desktop desktop)
string(REGEX MATCH "<mime-type type=\"([^\"]+)\"" found "${mime_xml}")
set(flow_type "${CMAKE_MATCH_1}")
if(flow_type STREQUAL "")
    fail("the MIME definition declares no type")
endif()
if(NOT mime_xml MATCHES "<glob pattern=\"\\*\\.flo\"")
    fail("the MIME type has no *.flo glob")
endif()
if(NOT mime_xml MATCHES "<match type=\"string\" offset=\"0\" value=\"PIEH\"/>")
    fail("the MIME type has no PIEH magic at offset 0")
endif()
string(REGEX MATCH "\nMimeType=([^\n]*)" found "${desktop}")
set(desktop_types "${CMAKE_MATCH_1}")
foreach(type ${flow_type} image/png image/bmp image/jpeg image/x-portable-pixmap
             image/x-portable-graymap image/x-xpixmap)
    if(NOT desktop_types MATCHES "(^|;)${type};")
        fail("the desktop entry does not open ${type}")
    endif()
endforeach()
string(REGEX MATCH "\nIcon=([^\n]*)" found "${desktop}")
set(icon "${CMAKE_MATCH_1}")
string(REGEX MATCH "\nExec=([^ \n]*)" found "${desktop}")
if(NOT EXISTS "${PREFIX}/bin/${CMAKE_MATCH_1}")
    fail("the desktop entry runs '${CMAKE_MATCH_1}', which is not installed")
endif()

# Theme icons: a PNG of the size its folder says (width and height from the IHDR chunk).
foreach(size 48 128 256)
    set(rel "share/icons/hicolor/${size}x${size}/apps/${icon}.png")
    if(NOT EXISTS "${PREFIX}/${rel}")
        fail("missing ${rel}")
        continue()
    endif()
    file(READ "${PREFIX}/${rel}" header LIMIT 24 HEX)
    string(SUBSTRING "${header}" 0 16 signature)
    string(SUBSTRING "${header}" 32 8 width)
    string(SUBSTRING "${header}" 40 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
        fail("${rel} is not a ${size} x ${size} PNG (${width} x ${height})")
    endif()
endforeach()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
    execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${PREFIX}/share/applications/flowviewer.desktop"
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
        fail("desktop-file-validate: ${out}${err}")
    endif()
else()
    message(STATUS "desktop-file-validate not found: the desktop entry is not validated")
endif()

# The install rebuilds the MIME database under the prefix when the tool is there.
find_program(UPDATE_MIME_DATABASE update-mime-database)
if(UPDATE_MIME_DATABASE)
    read_required(share/mime/globs2 globs)
    if(NOT globs MATCHES "\n[0-9]+:${flow_type}:\\*\\.flo")
        fail("the rebuilt MIME database has no *.flo glob for ${flow_type}")
    endif()
    file(READ "${PREFIX}/share/mime/magic" magic HEX)
    string(HEX "PIEH" pieh)
    string(HEX "${flow_type}" type_hex)
    if(NOT magic MATCHES "${type_hex}" OR NOT magic MATCHES "${pieh}")
        fail("the rebuilt MIME database has no PIEH magic for ${flow_type}")
    endif()
endif()

find_program(GROFF groff)
if(GROFF)
    foreach(page flo2png flowconvert floweval flowwarp)
        execute_process(COMMAND "${GROFF}" -man -ww -z "${PREFIX}/share/man/man1/${page}.1"
                        RESULT_VARIABLE status ERROR_VARIABLE err)
        if(NOT status EQUAL 0 OR NOT err STREQUAL "")
            fail("the manual page of ${page} does not format cleanly: ${err}")
        endif()
    endforeach()
endif()

if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "Installed files are not right:\n  ${text}")
endif()
message(STATUS "Installed files in ${PREFIX} are complete")
