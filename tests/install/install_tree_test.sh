#!/usr/bin/env bash
# Installs the build into a scratch prefix, as a packager would, and checks what
# lands there: the programs, the guide and licence, and the desktop files, which the
# desktop's own validators must accept.
#   install_tree_test.sh BUILD_DIR WITH_GUI(ON|OFF) LIBDIR [PYTHON_MODULE PYTHON]
set -euo pipefail
build=$1
gui=$2
libdir=$3
python_module=${4:-}
python=${5:-}
python_dir=lib/python3/dist-packages/kelvarin
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
prefix=$stage/usr
id=org.kelvarin.Kelvarin
status=0
fail() { echo "FAIL: $*"; status=1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

# Everything installed, and nothing else (no tests, benchmarks or build tools).
expected=(bin/kelvarin-cli)
if [ "$gui" = ON ]; then
  expected+=(bin/kelvarin $libdir/kelvarin/kelvarin-cli-map.so share/doc/kelvarin/Readme.txt share/doc/kelvarin/License.txt
    share/applications/$id.desktop share/mime/packages/$id.xml share/metainfo/$id.metainfo.xml
    share/icons/hicolor/scalable/apps/$id.svg)
  for size in 16 32 48 64 128 256; do expected+=(share/icons/hicolor/${size}x${size}/apps/$id.png); done
fi
if [ -n "$python_module" ]; then
  expected+=($python_dir/__init__.py $python_dir/__init__.pyi $python_dir/py.typed $python_dir/$python_module)
  # The editor's Python scripts run in a module of their own.
  if [ "$gui" = ON ]; then expected+=($libdir/kelvarin/kelvarin-python-run.so); fi
fi
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$actual" != "$wanted" ]; then
  fail "installed files differ from the expected list:"
  diff <(echo "$wanted") <(echo "$actual") | sed 's/^/  /' || true
fi
for program in kelvarin kelvarin-cli; do
  [ -e "$prefix/bin/$program" ] || continue
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done

# The installed programs answer --version without a display.
cli_version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/kelvarin-cli" --version)
[ -n "$cli_version" ] || fail "kelvarin-cli --version printed nothing"

# The installed Python package imports and reads a zone with no help from the build tree.
if [ -n "$python_module" ]; then
  "$prefix/bin/kelvarin-cli" generate "$stage/py.mob" --records 50 || fail "kelvarin-cli generate failed"
  records=$(cd "$stage" && env -u PYTHONPATH PYTHONPATH="$prefix/lib/python3/dist-packages" "$python" -c \
    'import sys, kelvarin; print(len(list(kelvarin.open(sys.argv[1]).records())))' "$stage/py.mob") ||
    fail "the installed kelvarin package does not import or read a zone"
  [ "$records" = 50 ] || fail "the installed kelvarin package reads $records records of 50"
fi

if [ "$gui" = ON ]; then
  # The installed map command finds its drawing module; without the module it says
  # so in one line and fails, and the other commands work as before.
  zone=$stage/zone.mob
  "$prefix/bin/kelvarin-cli" generate "$zone" --records 300 || fail "kelvarin-cli generate failed"
  env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/kelvarin-cli" map "$zone" "$stage/zone.png" --size 64x48 ||
    fail "the installed kelvarin-cli map failed"
  [ "$(head -c 4 "$stage/zone.png" 2>/dev/null | od -An -c | tr -d ' ')" = '211PNG' ] ||
    fail "the installed kelvarin-cli map wrote no PNG"
  mv "$prefix/$libdir/kelvarin" "$stage/moved"
  status_map=0
  "$prefix/bin/kelvarin-cli" map "$zone" "$stage/none.png" >"$stage/out" 2>"$stage/err" || status_map=$?
  [ "$status_map" = 1 ] || fail "kelvarin-cli map without its module exits $status_map, not 1"
  [ "$(wc -l <"$stage/err")" = 1 ] && grep -q 'kelvarin-cli-map.so' "$stage/err" ||
    fail "kelvarin-cli map without its module says: $(cat "$stage/err")"
  [ ! -e "$stage/none.png" ] || fail "kelvarin-cli map without its module wrote a picture"
  "$prefix/bin/kelvarin-cli" info "$zone" >/dev/null || fail "kelvarin-cli info fails without the map module"
  mv "$stage/moved" "$prefix/$libdir/kelvarin"

  version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/kelvarin" --version) ||
    fail "kelvarin --version failed without a display"
  [ "$version" = "Kelvarin $cli_version" ] || fail "kelvarin --version says '$version', kelvarin-cli '$cli_version'"

  desktop=$prefix/share/applications/$id.desktop
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $id.desktop"
  else
    echo "NOTE: desktop-file-validate is not installed; the menu entry was not validated"
  fi
  # The entry starts the installed program, shows the installed icon and claims the
  # file type that the MIME entry defines.
  grep -qx 'Exec=kelvarin %f' "$desktop" || fail "the menu entry does not start 'kelvarin %f'"
  grep -qx "Icon=$id" "$desktop" || fail "the menu entry's icon is not $id"
  mime=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$prefix/share/mime/packages/$id.xml")
  grep -qx "MimeType=$mime;" "$desktop" || fail "the menu entry does not claim '$mime'"

  metainfo=$prefix/share/metainfo/$id.metainfo.xml
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $id.metainfo.xml"
  else
    echo "NOTE: appstreamcli is not installed; the metainfo file was not validated"
  fi
  grep -q "<release version=\"$cli_version\"" "$metainfo" || fail "the metainfo file does not list version $cli_version"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo file does not name the menu entry"

  # The MIME entry compiles, and names "*.mob" for its type.
  if command -v update-mime-database >/dev/null; then
    update-mime-database "$prefix/share/mime" || fail "update-mime-database rejects $id.xml"
    grep -qx "[0-9]*:$mime:\*\.mob" "$prefix/share/mime/globs2" || fail "*.mob does not map to $mime"
  else
    echo "NOTE: update-mime-database is not installed; the MIME entry was not compiled"
  fi

  # Each fixed-size icon is a PNG of its size (width and height in its header).
  for size in 16 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$png" ] || continue
    read -r w3 w2 w1 w0 h3 h2 h1 h0 < <(od -An -tu1 -j16 -N8 "$png")
    width=$(( (w3 << 24) | (w2 << 16) | (w1 << 8) | w0 ))
    height=$(( (h3 << 24) | (h2 << 16) | (h1 << 8) | h0 ))
    [ "$(head -c 4 "$png" | od -An -c | tr -d ' ')" = '211PNG' ] || fail "${size} px icon is not a PNG"
    [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "${size} px icon is ${width}x${height}"
  done
fi
exit $status
