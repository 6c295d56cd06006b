# Builds the installer from the program's folder once the program is built, so that the size
# that Settings > Apps shows is that of the files shipped:
#   cmake -DWIXL=... -DSOURCE=ClockSync.wxs -DBIN_DIR=... -DOUTPUT=... -DVERSION=2.2.0
#         -DARCH=x86|x64 -DICON=... -DWITH_SERVICE=yes|no -P BuildMsi.cmake
set(files ClockSync.exe readme.rtf)
if(WITH_SERVICE STREQUAL "yes")
    list(APPEND files ClockSyncService.exe)
endif()
set(bytes 0)
foreach(file ${files})
    file(SIZE ${BIN_DIR}/${file} size)
    math(EXPR bytes "${bytes} + ${size}")
endforeach()
math(EXPR kilobytes "(${bytes} + 1023) / 1024")

if(ARCH STREQUAL "x64")
    set(program_files ProgramFiles64Folder)
else()
    set(program_files ProgramFilesFolder)
endif()
# wixl finds sources relative to the folder it runs in, so the icon is named from there.
file(RELATIVE_PATH icon ${BIN_DIR} ${ICON})
get_filename_component(output_dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_dir})
file(REMOVE ${OUTPUT})
execute_process(
    COMMAND ${WIXL} -a ${ARCH} -D Version=${VERSION} -D ProgramFiles=${program_files}
            -D Icon=${icon} -D SizeKb=${kilobytes} -D WithService=${WITH_SERVICE}
            -o ${OUTPUT} ${SOURCE}
    WORKING_DIRECTORY ${BIN_DIR}
    RESULT_VARIABLE status)
# wixl reports a missing source file and still ends well: the package must be there.
if(NOT status EQUAL 0 OR NOT EXISTS ${OUTPUT})
    message(FATAL_ERROR "wixl could not build ${OUTPUT}")
endif()

# wixl cannot say which features an upgrade removes from the older version; msibuild (from the
# same tools) sets it in the Upgrade table. See ClockSync.wxs.
get_filename_component(tools ${WIXL} DIRECTORY)
find_program(MSIBUILD msibuild HINTS ${tools} REQUIRED)
execute_process(
    COMMAND ${MSIBUILD} ${OUTPUT} -q
            "UPDATE `Upgrade` SET `Remove` = 'Complete' WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(REMOVE ${OUTPUT})
    message(FATAL_ERROR "msibuild could not set the features an upgrade removes")
endif()
