# `cpack -G DEB` in the build folder: a Debian package of what `cmake --install` puts
# under /usr. Its dependencies are worked out by dpkg-shlibdeps from the libraries
# the programs link, plus what they load at run time without linking it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvarin)
set(CPACK_PACKAGE_VENDOR "Kelvarin developers")
set(CPACK_PACKAGE_CONTACT "Kelvarin developers <dev@kelvarin.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for .mob map-zone files")
set(CPACK_PACKAGE_DESCRIPTION
  "Kelvarin edits one binary .mob map-zone file at a time: the enciphered script with
highlighting and search, every placed object in a tree with a checked parameter table,
an object's orientation in a small 3D view, and mass changes over selected objects.
kelvarin-cli inspects, converts and edits zones without a display, and the Python
package kelvarin reads, changes and writes zones from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(KELVARIN_WITH_GUI)
  # Qt finds its window-system plugin (xcb, wayland) at run time; without it no window opens.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  # Russian standard buttons and dialogs, the fixed-width font of the script and the log,
  # and the viewer that opens Readme.txt: the editor works without them, only plainer.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-dejavu-core, xdg-utils")
endif()
if(TARGET kelvarin_python)
  # The kelvarin Python package is built for one version of Debian's Python; the
  # programs do not need it.
  math(EXPR next_minor "${Python_VERSION_MINOR} + 1")
  set(python_dep "python3 (>= ${Python_VERSION_MAJOR}.${Python_VERSION_MINOR}), python3 (<< ${Python_VERSION_MAJOR}.${next_minor})")
  if(CPACK_DEBIAN_PACKAGE_RECOMMENDS)
    string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS ", ${python_dep}")
  else()
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "${python_dep}")
  endif()
endif()
include(CPack)
