# The three libraries of the calendar commands, as the same targets on every
# platform: PkgConfig::LIBICAL, CURL::libcurl and LibXml2::LibXml2.
#
# On Windows they come from the folder scripts/build-deps-windows.sh makes (in
# CMAKE_PREFIX_PATH), found through their own CMake packages, so that nothing
# of the host's is taken. JOTANOR_CALENDAR_DLLS lists the DLLs a program
# linking them needs beside it, and JOTANOR_ICAL_ZONEINFO the zone data libical
# reads: Windows has no zone data of its own in libical's format. Both are
# installed with the program.
if(WIN32)
    find_package(LibIcal CONFIG)
    find_package(CURL CONFIG)
    find_package(LibXml2 CONFIG)
    if(NOT LibIcal_FOUND OR NOT CURL_FOUND OR NOT LibXml2_FOUND)
        message(FATAL_ERROR "libical, libcurl and libxml2 for Windows are missing: add the folder "
                            "scripts/build-deps-windows.sh prints to CMAKE_PREFIX_PATH (make windows does), "
                            "or build without the calendar commands (-DJOTANOR_CALENDARS=OFF)")
    endif()
    add_library(PkgConfig::LIBICAL INTERFACE IMPORTED)
    target_link_libraries(PkgConfig::LIBICAL INTERFACE ical)
    set(JOTANOR_CALENDAR_DLLS)
    foreach(target ical CURL::libcurl LibXml2::LibXml2)
        get_target_property(configs ${target} IMPORTED_CONFIGURATIONS)
        list(GET configs 0 config)
        get_target_property(dll ${target} IMPORTED_LOCATION_${config})
        list(APPEND JOTANOR_CALENDAR_DLLS "${dll}")
    endforeach()
    get_filename_component(JOTANOR_ICAL_ZONEINFO "${LibIcal_DIR}/../../../share/libical/zoneinfo" ABSOLUTE)
    if(NOT EXISTS "${JOTANOR_ICAL_ZONEINFO}/zones.tab")
        message(FATAL_ERROR "libical's zone data is missing: ${JOTANOR_ICAL_ZONEINFO}")
    endif()
    # Installed beside jotanor-cli: libical finds its zone data from the
    # program's folder as ../share/libical/zoneinfo (the uninstaller removes
    # that folder by name).
    include(GNUInstallDirs)
    install(FILES ${JOTANOR_CALENDAR_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(DIRECTORY ${JOTANOR_ICAL_ZONEINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/libical)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(LIBICAL REQUIRED IMPORTED_TARGET libical)
    find_package(CURL REQUIRED)
    find_package(LibXml2 REQUIRED)
endif()
