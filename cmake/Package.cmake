# The Debian package that scripts/package.sh writes: marrow_<version>_amd64.deb
# from the install rules, with its Depends worked out by dpkg-shlibdeps from
# the libraries the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marrow)
set(CPACK_PACKAGE_VENDOR "Marrow developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Bayesian QTL mapping in interconnected populations of inbred-line crosses")
# Debian shows the description as it stands, line by line; its checker wants
# every line within 80 characters, so the lines are broken here.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Marrow sets up and checks a Bayesian MCMC analysis (Pellarin.exe) or a\n"
    "data simulation (Tamsin.exe) of BC1, BC2, F2, DHL and RIL families linked\n"
    "by shared founder parents, and draws the posterior QTL intensity and\n"
    "variance along each chromosome. marrow-import brings csv tables in;\n"
    "marrow-demo runs the whole road without a window; marrow-collect gathers\n"
    "the results of many traits.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Whoever builds the package for a distribution or a site names themselves:
#   cmake -DMARROW_PACKAGE_MAINTAINER="Name <address>" ...
# Debian's checker refuses addresses on localhost, so the default is the
# project's own.
set(MARROW_PACKAGE_MAINTAINER "Marrow developers <maintainers@marrowqtl.github.io>"
    CACHE STRING "The Debian package's maintainer, as Name <address>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MARROW_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The engines open a terminal of their own when Marrow starts them from a
# desktop; any terminal emulator will do.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "x-terminal-emulator")

# What Debian asks of every package beside the programs, kept in
# packaging/debian/: the copyright file (machine-readable, DEP-5) and the
# changelog, installed compressed as Debian's tools compress it (gzip -9n:
# no name, no time stamp, so the same text gives the same bytes).
# tests/package/check-debian-files.sh holds them to the project's version.
set(marrow_debian ${PROJECT_SOURCE_DIR}/packaging/debian)
set(marrow_changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
    OUTPUT ${marrow_changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" gzip ${marrow_debian}/changelog
            ${marrow_changelog_gz}
    DEPENDS ${marrow_debian}/changelog
    COMMENT "Compressing the Debian changelog"
    VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${marrow_changelog_gz})
install(FILES ${marrow_debian}/copyright ${marrow_changelog_gz} DESTINATION ${MARROW_INSTALL_DOCDIR})
# A finding of the checker that is right for Debian but wrong for Marrow is
# overridden here, a comment line above each override saying why. The
# package needs none today.
if(EXISTS ${marrow_debian}/marrow.lintian-overrides)
    install(FILES ${marrow_debian}/marrow.lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME marrow)
endif()

include(CPack)
