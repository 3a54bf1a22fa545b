# The Debian package: `cpack -G DEB` in the build folder. Everything goes below /usr, where the
# programs find lclang.bdb and help.pdf in ../share/fendrel.
set(CPACK_PACKAGE_NAME fendrel)
set(CPACK_PACKAGE_VENDOR "Zelvan Software")
set(CPACK_PACKAGE_CONTACT "Fendrel maintainers <maintainers@users.noreply.c-seed-c10ccf00.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lab catalogue editor and lab package builder for Nodara")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# RelWithDebInfo binaries carry their symbols; users get them stripped.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME fendrel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack puts the summary in front as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Fendrel is a desktop tool for authors of custom labs for the Nodara network
simulator. It edits a lab catalogue (a tab, its sections and their labs with
documents, topologies and network configurations) and compiles it, with every
file it names, into one compressed .lab package. It opens packages again for
editing.
.
The package holds the window, fendrel, and its command-line twin, fendrel-cli,
which does the same work for scripts.")
# dpkg-shlibdeps finds the libraries; the Wayland plugin is loaded at run time, and without it
# Qt falls back to X11.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)

include(CPack)
