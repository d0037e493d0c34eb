# The Debian package, made by CPack from the install rules:
#   cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRICOMA_BUILD_TESTS=OFF -DTRICOMA_BUILD_BENCH=OFF
#   cmake --build build-package --target tricoma && (cd build-package && cpack -G DEB)
# tools/package.sh does this with Debian's hardening flags and checks the result.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tricoma)
set(CPACK_PACKAGE_VENDOR Ornavo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Ornavo <tricoma@ornavo.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns a picture into a colour knitting chart")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tricoma)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.ornavo.example/")
# CPack puts the summary above it and indents it as Debian's control file wants.
set(CPACK_PACKAGE_DESCRIPTION "Tricoma turns a picture into a colour knitting chart: pick a motif, give the
size of the knitted piece and the gauge of the yarn, choose up to 64 yarn
colours and compute a stitch grid with one stitch per cell. The grid can be
touched up stitch by stitch; the chart with numbered rows can be saved as a
picture or printed.

The program speaks German.")
# Libraries as dpkg-shlibdeps finds them in the program.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What no library link shows: the window's fonts, and the toolkit's own
# German texts (dialog buttons), without which those stay English.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-dejavu-extra")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# Control files with the modes Debian wants, whatever the umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
