# A build for Windows made on Linux with mingw-w64 and a Qt for Windows. Sets
# MINGW_RUNTIME_DLLS, the compiler's runtime libraries that the program needs beside it (the
# ZIP takes them, see packaging/), and runs the programs of the build under wine through
# scripts/wine-run.sh: CTest runs the test programs that way, and <build>/wine-run
# PROGRAM.exe [ARGUMENT...] does the same by hand.

set(MINGW_RUNTIME_DLLS)
set(dll_folders ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    # gcc answers with the bare name when it has no such file.
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    if(NOT IS_ABSOLUTE "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${dll}")
    endif()
    file(REAL_PATH ${path} path)
    list(APPEND MINGW_RUNTIME_DLLS ${path})
    get_filename_component(folder ${path} DIRECTORY)
    list(APPEND dll_folders ${folder})
endforeach()
list(REMOVE_DUPLICATES dll_folders)

set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh
    --plugins ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
foreach(folder IN LISTS dll_folders)
    list(APPEND CMAKE_CROSSCOMPILING_EMULATOR --path ${folder})
endforeach()

set(command "exec")
foreach(word IN LISTS CMAKE_CROSSCOMPILING_EMULATOR)
    string(APPEND command " '${word}'")
endforeach()
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/wine-run CONTENT "#!/bin/sh\n${command} \"$@\"\n"
    @ONLY)
file(CHMOD ${PROJECT_BINARY_DIR}/wine-run FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
