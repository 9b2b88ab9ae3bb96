# Installation of everything the server needs beside its executable (whose
# install rule lives with the target in src/web): the page templates and a
# sample settings file; and the command-line client beside the server.
# Included from the top-level CMakeLists.txt after include(GNUInstallDirs).
include_guard(GLOBAL)
include(GNUInstallDirs)

# The server reads the templates from this folder when started with
# --templates ${CMAKE_INSTALL_FULL_DATADIR}/quorax/templates.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/templates/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quorax/templates
        FILES_MATCHING PATTERN "*.htm")

# Only a sample: the real settings file (QUORAX_SETTINGS_FILE) holds the
# site's connection string and is never overwritten by an install.
install(FILES ${PROJECT_SOURCE_DIR}/deploy/Quorax.cfg.sample
        DESTINATION ${CMAKE_INSTALL_SYSCONFDIR}/quorax)

# The systemd unit goes with the other shared data; the operator copies it
# into /etc/systemd/system after adjusting paths (see docs/OPERATIONS.md).
install(FILES ${PROJECT_SOURCE_DIR}/deploy/quorax.service
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quorax/systemd)

install(FILES ${PROJECT_SOURCE_DIR}/docs/OPERATIONS.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorax)

# The command-line client for CI pipelines; it needs nothing else installed.
install(TARGETS quorax RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
