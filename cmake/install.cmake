# Installation of the runtime (component "runtime"): the executables, the page
# templates, the settings file, the systemd unit and the operators' guide.
# The support component (headers and static library for other programs, see
# src/support) is separate and never part of the Debian package. Included from
# the top-level CMakeLists.txt after every target is defined.
include_guard(GLOBAL)
include(GNUInstallDirs)

option(QUORAX_PACKAGE_LAYOUT
       "Install as the Debian package does: the settings file itself (not a sample) at \
QUORAX_SETTINGS_FILE, the unit under /lib/systemd/system, copyright and changelog \
with the guide. Needs CMAKE_INSTALL_PREFIX=/usr."
       OFF)

# The command line joins the server once its target exists.
set(quorax_programs quorax-server)
if(TARGET quorax)
  list(APPEND quorax_programs quorax)
endif()
install(TARGETS ${quorax_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT runtime)

# The server's default --templates is ${CMAKE_INSTALL_FULL_DATADIR}/quorax/templates
# (set in src/web), which is where this rule puts them.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/templates/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quorax/templates
        COMPONENT runtime FILES_MATCHING PATTERN "*.htm")

configure_file(${PROJECT_SOURCE_DIR}/deploy/quorax.service.in
               ${PROJECT_BINARY_DIR}/deploy/quorax.service @ONLY)
set(quorax_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/quorax)
install(FILES ${PROJECT_SOURCE_DIR}/docs/OPERATIONS.md DESTINATION ${quorax_doc_dir}
        COMPONENT runtime)

if(QUORAX_PACKAGE_LAYOUT)
  if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    message(FATAL_ERROR "QUORAX_PACKAGE_LAYOUT needs -DCMAKE_INSTALL_PREFIX=/usr")
  endif()
  # The package owns the settings file as a conffile: dpkg keeps the site's
  # edited copy on upgrade. Folder and file are root's alone (0700, 0600)
  # from unpacking on; postinst, once it has created the group quorax, gives
  # them to root:quorax as 0750 and 0640 so that the service can read them.
  get_filename_component(quorax_settings_dir ${QUORAX_SETTINGS_FILE} DIRECTORY)
  get_filename_component(quorax_settings_name ${QUORAX_SETTINGS_FILE} NAME)
  install(DIRECTORY DESTINATION ${quorax_settings_dir}
          DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE COMPONENT runtime)
  install(FILES ${PROJECT_SOURCE_DIR}/deploy/Quorax.cfg.sample
          DESTINATION ${quorax_settings_dir} RENAME ${quorax_settings_name}
          PERMISSIONS OWNER_READ OWNER_WRITE COMPONENT runtime)
  install(FILES ${PROJECT_BINARY_DIR}/deploy/quorax.service DESTINATION /lib/systemd/system
          COMPONENT runtime)
  # Debian wants the changelog compressed reproducibly (no name, no time).
  execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/deploy/debian/changelog
                  OUTPUT_FILE ${PROJECT_BINARY_DIR}/deploy/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/deploy/debian/changelog)
  install(FILES ${PROJECT_SOURCE_DIR}/deploy/debian/copyright
                ${PROJECT_BINARY_DIR}/deploy/changelog.gz
          DESTINATION ${quorax_doc_dir} COMPONENT runtime)
  install(FILES ${PROJECT_SOURCE_DIR}/deploy/debian/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quorax
          COMPONENT runtime)
else()
  # Only a sample: the real settings file (QUORAX_SETTINGS_FILE) holds the
  # site's connection string and is never overwritten by an install.
  install(FILES ${PROJECT_SOURCE_DIR}/deploy/Quorax.cfg.sample
          DESTINATION ${CMAKE_INSTALL_SYSCONFDIR}/quorax COMPONENT runtime)
  # The operator copies the unit into /etc/systemd/system (docs/OPERATIONS.md).
  install(FILES ${PROJECT_BINARY_DIR}/deploy/quorax.service
          DESTINATION ${CMAKE_INSTALL_DATADIR}/quorax/systemd COMPONENT runtime)
endif()
