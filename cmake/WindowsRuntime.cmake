# The MinGW-w64 runtime DLLs every program of the Windows build needs beside
# it (the C++ library, the GCC support library and the threads library), and
# running the build's programs under Wine.
set(JOTANOR_MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
        message(FATAL_ERROR "The MinGW runtime ${dll} is missing")
    endif()
    get_filename_component(found "${found}" REALPATH)
    list(APPEND JOTANOR_MINGW_RUNTIME_DLLS "${found}")
endforeach()

# Programs of this build run under Wine (tests, through CTest), in a prefix of
# the build's own, finding the MinGW, Qt and calendar DLLs where they lie.
function(jotanor_run_under_wine)
    set(dll_path)
    foreach(dll ${JOTANOR_MINGW_RUNTIME_DLLS})
        get_filename_component(dir ${dll} DIRECTORY)
        list(APPEND dll_path "Z:${dir}")
    endforeach()
    if(TARGET Qt6::Core)
        list(APPEND dll_path "Z:${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
    endif()
    foreach(dll ${JOTANOR_CALENDAR_DLLS})
        get_filename_component(dir ${dll} DIRECTORY)
        list(APPEND dll_path "Z:${dir}")
    endforeach()
    list(REMOVE_DUPLICATES dll_path)
    set(JOTANOR_WINE_DLL_PATH "${dll_path}")
    configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh PARENT_SCOPE)
endfunction()
