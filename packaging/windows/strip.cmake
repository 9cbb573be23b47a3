# Strips every program and library of the installed tree (cmake -P, with
# STRIP and STAGE): debug information would triple the installer.
file(GLOB_RECURSE binaries ${STAGE}/*.exe ${STAGE}/*.dll)
foreach(binary ${binaries})
    execute_process(COMMAND ${STRIP} --strip-unneeded ${binary} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
