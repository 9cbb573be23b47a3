# Compiler warnings for the project's own targets, set per target so that
# nothing reaches GoogleTest's sources in the cross-build or other projects'
# code. JOTANOR_WERROR turns them into errors (make test sets it).
option(JOTANOR_WERROR "Treat compiler warnings as errors" OFF)

function(jotanor_warnings_in dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        get_target_property(source_dir ${target} SOURCE_DIR)
        if(NOT type MATCHES "EXECUTABLE|LIBRARY" OR type STREQUAL "INTERFACE_LIBRARY")
            continue()
        endif()
        cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${source_dir}" NORMALIZE ours)
        if(NOT ours)
            continue()
        endif()
        if(MSVC)
            target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${JOTANOR_WERROR}>:/WX>)
        else()
            target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
                                   $<$<BOOL:${JOTANOR_WERROR}>:-Werror>)
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        jotanor_warnings_in(${sub})
    endforeach()
endfunction()
