# The Windows programs' icon, made from the launcher's pictures, their
# manifest and their version information, linked into each program.
enable_language(RC)
find_program(JOTANOR_ICOTOOL icotool REQUIRED)
set(JOTANOR_ICON ${CMAKE_BINARY_DIR}/jotanor.ico)
set(JOTANOR_MANIFEST ${PROJECT_SOURCE_DIR}/packaging/windows/jotanor.manifest)
set(pictures)
foreach(size 16 32 48 64 128)
    list(APPEND pictures ${PROJECT_SOURCE_DIR}/packaging/icons/nl.jotanor.Jotanor-${size}.png)
endforeach()
set(large ${PROJECT_SOURCE_DIR}/packaging/icons/nl.jotanor.Jotanor-256.png)
# The largest picture stays a PNG inside the icon, as Windows expects.
add_custom_command(OUTPUT ${JOTANOR_ICON}
                   COMMAND ${JOTANOR_ICOTOOL} -c -o ${JOTANOR_ICON} ${pictures} -r ${large}
                   DEPENDS ${pictures} ${large} VERBATIM)
add_custom_target(jotanor_icon DEPENDS ${JOTANOR_ICON})

function(jotanor_windows_resources target description)
    set(JOTANOR_RC_NAME ${target})
    set(JOTANOR_RC_DESCRIPTION "${description}")
    set(rc ${CMAKE_BINARY_DIR}/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${JOTANOR_ICON};${JOTANOR_MANIFEST}")
    target_sources(${target} PRIVATE ${rc})
    add_dependencies(${target} jotanor_icon)
endfunction()
