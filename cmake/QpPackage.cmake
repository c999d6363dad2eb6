# Debian package of both programs: `cmake --build build/release --target package`
# writes quarrin-plates_VERSION_ARCH.deb into the build folder. The manual
# pages and the changelog are compressed as Debian wants them (gzip -9n, no
# timestamp); the library dependencies come from dpkg-shlibdeps.
include(GNUInstallDirs)

set(qp_man_pages platec.1)
if(QP_BUILD_APP)
  list(APPEND qp_man_pages quarrin-plates.1)
endif()
set(qp_gz_files)
foreach(page IN LISTS qp_man_pages)
  set(gz "${PROJECT_BINARY_DIR}/man/${page}.gz")
  add_custom_command(OUTPUT "${gz}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/man"
    COMMAND gzip -9nc "${PROJECT_SOURCE_DIR}/docs/man/${page}" > "${gz}"
    DEPENDS "${PROJECT_SOURCE_DIR}/docs/man/${page}" VERBATIM)
  list(APPEND qp_gz_files "${gz}")
  install(FILES "${gz}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set(qp_changelog_gz "${PROJECT_BINARY_DIR}/packaging/changelog.gz")
add_custom_command(OUTPUT "${qp_changelog_gz}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/packaging"
  COMMAND gzip -9nc "${PROJECT_SOURCE_DIR}/packaging/changelog" > "${qp_changelog_gz}"
  DEPENDS "${PROJECT_SOURCE_DIR}/packaging/changelog" VERBATIM)
add_custom_target(qp_package_docs ALL DEPENDS ${qp_gz_files} "${qp_changelog_gz}")
install(FILES "${qp_changelog_gz}" "${PROJECT_SOURCE_DIR}/packaging/copyright"
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quarrin-plates)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarrin-plates)
set(CPACK_PACKAGE_VENDOR "Quarrin Plates developers")
set(CPACK_PACKAGE_CONTACT "Quarrin Plates maintainers <maintainers@quarrin-plates.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "chart plate group file compiler for cockpit displays")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quarrin Plates arranges approach charts (PDF, BMP and JPEG pages) in groups,
sets their geographic reference points and clip rectangles, and builds the
plate group files that a cockpit display reads from its card.
.
The package holds the desktop application quarrin-plates and the
command-line tool platec, which builds, lists and inspects from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# PROJ is opened at run time, so dpkg-shlibdeps does not see it.
string(REGEX REPLACE "^libproj\\.so\\.([0-9]+)$" "libproj\\1" qp_proj_package "${QP_PROJ_SONAME}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${qp_proj_package}")
# Fonts for PDF text without an embedded program, and the CMap resources of
# Chinese, Japanese and Korean text: read at run time when present.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-urw-base35, fonts-liberation2, fonts-dejavu-core, poppler-data, fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
