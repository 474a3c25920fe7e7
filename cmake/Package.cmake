# The Debian package that scripts/package.sh writes: marrow_<version>_amd64.deb
# from the install rules, with its Depends worked out by dpkg-shlibdeps from
# the libraries the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marrow)
set(CPACK_PACKAGE_VENDOR "Marrow developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Bayesian QTL mapping in interconnected populations of inbred-line crosses")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Marrow sets up and checks a Bayesian MCMC analysis (Pellarin.exe) or a data "
    "simulation (Tamsin.exe) of BC1, BC2, F2, DHL and RIL families linked by shared "
    "founder parents, and draws the posterior QTL intensity and variance along each "
    "chromosome. marrow-import brings csv tables in; marrow-demo runs the whole road "
    "without a window; marrow-collect gathers the results of many traits.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Marrow developers <marrow@localhost>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The engines open a terminal of their own when Marrow starts them from a
# desktop; any terminal emulator will do.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "x-terminal-emulator")
include(CPack)
