# `cpack -G DEB` in a build folder makes bildheber_<version>_<arch>.deb from the install rules.
# The libraries it needs come from dpkg-shlibdeps; Qt's German translations are data files and
# are named here.
set(CPACK_PACKAGE_NAME bildheber)
set(CPACK_PACKAGE_VENDOR Korvan)
set(CPACK_PACKAGE_CONTACT "Korvan <bildheber@korvan.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "uploads photos to a forum's image host")
set(CPACK_PACKAGE_DESCRIPTION
  "Bildheber takes JPEG photos dropped on its window, chosen in a file dialog,\n\
named on the command line or captured from the clipboard, scales each to\n\
1024 pixels wide (768 high for portraits), uploads it to the image host of\n\
Trullers Forum and puts the forum codes of all pictures on the clipboard.\n\
Its window speaks German. bildheber-cli does the same from a terminal.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://korvan.example/bildheber/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
