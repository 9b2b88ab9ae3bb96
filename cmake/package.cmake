# The Debian package quorax_<version>_<arch>.deb of the runtime component
# (see cmake/install.cmake). Build it with scripts/package, which configures a
# tree with CMAKE_INSTALL_PREFIX=/usr and QUORAX_PACKAGE_LAYOUT=ON, so that
# the paths compiled into the server are the installed ones; `cpack -G DEB`
# in any other tree stops with that advice.
include_guard(GLOBAL)

set(quorax_debian_dir ${PROJECT_SOURCE_DIR}/deploy/debian)

# A version bump needs a changelog entry.
file(STRINGS ${quorax_debian_dir}/changelog quorax_changelog_top LIMIT_COUNT 1)
if(NOT quorax_changelog_top MATCHES "^quorax \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "deploy/debian/changelog has no entry for ${PROJECT_VERSION} on top")
endif()

get_filename_component(quorax_settings_dir ${QUORAX_SETTINGS_FILE} DIRECTORY)
set(quorax_control_dir ${PROJECT_BINARY_DIR}/deploy/control)
configure_file(${quorax_debian_dir}/postinst.in ${quorax_control_dir}/postinst @ONLY)
configure_file(${quorax_debian_dir}/postrm.in ${quorax_control_dir}/postrm @ONLY)
configure_file(${quorax_debian_dir}/prerm ${quorax_control_dir}/prerm COPYONLY)
file(WRITE ${quorax_control_dir}/conffiles "${QUORAX_SETTINGS_FILE}\n")

set(CPACK_PACKAGE_NAME quorax)
set(CPACK_PACKAGE_VENDOR "The Quorax developers")
set(CPACK_PACKAGE_CONTACT "Quorax maintainers <maintainers@quorax.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "upload server for test results checked by the database")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorax lets software testers sign in with their database login and upload\n\
CSV files of test results. Every row is verified or imported by stored\n\
procedures of a PostgreSQL test-case database; the results page shows each\n\
row's outcome and the rejected rows download for correction.\n\
.\n\
This package holds the server quorax-server with its page templates, a\n\
hardened systemd unit and the settings file /etc/quorax/Quorax.cfg.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
# Files installed to /etc and /lib are placed through DESTDIR.
set(CPACK_SET_DESTDIR ON)

# Only the runtime: the support component's headers and static library are
# for building other programs.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

set(CPACK_DEBIAN_PACKAGE_NAME quorax)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${quorax_control_dir}/conffiles ${quorax_control_dir}/postinst
    ${quorax_control_dir}/prerm ${quorax_control_dir}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

if(NOT QUORAX_PACKAGE_LAYOUT)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/package_refuse.cmake)
endif()
include(CPack)

# Builds the package in a tree of its own, checks it with lintian and runs
# the unpacked server against the test database.
if(QUORAX_BUILD_TESTS)
  add_test(NAME package_deb
           COMMAND ${PROJECT_SOURCE_DIR}/tests/package/deb_test ${PROJECT_BINARY_DIR}/package)
  set_tests_properties(package_deb PROPERTIES LABELS package TIMEOUT 1200 SKIP_RETURN_CODE 77)
endif()
