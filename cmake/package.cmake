# Debian package: `cpack -G DEB` in a Release build folder (scripts/flipframe.sh package).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME flipframe)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "flipframe developers <flipframe@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts videos in batches between landscape and portrait layout")
# CPack puts the summary on the Description line and indents this text below it.
set(CPACK_PACKAGE_DESCRIPTION "A Qt 6 desktop program that lays a landscape clip on a portrait canvas (or the
other way round), fills the rest with a blurred copy or a background of your choice, and runs
a list of such tasks one after another with ffmpeg.")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # flipframe_VERSION_ARCH.deb
# The Qt libraries come from dpkg-shlibdeps; what the program runs or loads at run time is named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg, fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n, binutils")
# Not stripped: the crash report names the program's functions from its symbol table
# (addr2line, binutils); a Release build carries no debug sections to strip anyway.
set(CPACK_STRIP_FILES OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
