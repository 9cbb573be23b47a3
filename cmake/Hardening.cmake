# Debian's hardening flags as dpkg-buildflags gives them: fortified C
# library calls, the stack protector, read-only relocations and immediate
# binding. Every Linux build that can ask for them gets them, the package
# included; the sanitizer and fuzz builds keep their own instrumentation.
option(JOTANOR_HARDENING "Build with the hardening flags of dpkg-buildflags" ON)
find_program(JOTANOR_DPKG_BUILDFLAGS dpkg-buildflags)

if(JOTANOR_HARDENING AND JOTANOR_DPKG_BUILDFLAGS AND CMAKE_SYSTEM_NAME STREQUAL "Linux"
   AND NOT (JOTANOR_SANITIZE OR JOTANOR_FUZZ))
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        # The hardening only: the build type chooses optimisation and debug
        # information, and paths stay as they are.
        execute_process(COMMAND ${CMAKE_COMMAND} -E env
                                "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
                                "DEB_CXXFLAGS_MAINT_STRIP=-g -O2" ${JOTANOR_DPKG_BUILDFLAGS} --get ${kind}
                        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        if(kind STREQUAL "LDFLAGS")
            add_link_options(${flags})
        elseif(kind STREQUAL "CXXFLAGS")
            add_compile_options(${flags})
        else()
            # Fortified calls need an optimised build; without one the C
            # library warns.
            foreach(flag IN LISTS flags)
                add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:${flag}>")
            endforeach()
        endif()
    endforeach()
    # The package test checks the programs when the whole set applies.
    if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
        set(JOTANOR_HARDENED ON)
    endif()
    message(STATUS "Hardening flags of dpkg-buildflags: on")
endif()
