# The MinGW-w64 runtime DLLs every program of the Windows build needs beside
# it: the C++ library, the GCC support library and the threads library.
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
