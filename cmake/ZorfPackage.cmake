# cpack -G DEB: a Debian package of what cmake --install installs, under /usr.
set(CPACK_PACKAGE_NAME zorf)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Six-layer fuzzy neural networks: RecallZorf, MakeZorf, TrainZorf, PlotZorf, ExplainZorf and the zorf library")
set(CPACK_PACKAGE_CONTACT "RecallZorf developers <zorf@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The C and C++ runtime libraries the programs need, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
