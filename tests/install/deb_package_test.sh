#!/usr/bin/env bash
# Builds the Debian package of the build and checks that it depends on the Debian
# packages of the libraries the programs link, and holds what a desktop needs.
#   deb_package_test.sh BUILD_DIR WITH_GUI(ON|OFF) [PYTHON_MODULE]
set -euo pipefail
build=$1
gui=$2
python_module=${3:-}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log"
  exit 1
}
deb=$(find "$out" -maxdepth 1 -name 'kelvarin_*.deb' -print -quit)
[ -n "$deb" ] || { fail "cpack made no kelvarin_*.deb"; cat "$out/cpack.log"; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
has_dep() { echo ", $depends," | grep -q ", $1[ ,(]"; }
needed=(libc6 libstdc++6)
if [ "$gui" = ON ]; then
  needed+=(libqt6core6 libqt6gui6 libqt6widgets6 libqt6opengl6 libqscintilla2-qt6-15 libglu1-mesa
    qt6-qpa-plugins)
fi
for package in "${needed[@]}"; do has_dep "$package" || fail "the package does not depend on $package"; done

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
wanted=(./usr/bin/kelvarin-cli)
if [ "$gui" = ON ]; then
  wanted+=(./usr/bin/kelvarin ./usr/share/doc/kelvarin/Readme.txt
    ./usr/share/applications/org.kelvarin.Kelvarin.desktop
    ./usr/share/mime/packages/org.kelvarin.Kelvarin.xml
    ./usr/share/metainfo/org.kelvarin.Kelvarin.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/org.kelvarin.Kelvarin.svg)
fi
if [ -n "$python_module" ]; then
  # Where Debian's Python finds packages installed under /usr.
  wanted+=(./usr/lib/python3/dist-packages/kelvarin/__init__.py ./usr/lib/python3/dist-packages/kelvarin/__init__.pyi
    ./usr/lib/python3/dist-packages/kelvarin/$python_module)
  recommends=$(dpkg-deb -f "$deb" Recommends)
  echo ", $recommends," | grep -q ", python3 (>= 3" || fail "the package does not recommend python3: $recommends"
fi
for path in "${wanted[@]}"; do echo "$contents" | grep -qx "$path" || fail "the package lacks $path"; done
if [ "$gui" = ON ]; then
  echo "$contents" | grep -q '^\./usr/lib/.*kelvarin/kelvarin-cli-map\.so$' || fail "the package lacks kelvarin-cli-map.so"
fi
exit $status
