#!/usr/bin/env bash
# Kelvarin developer entry point.
#   ./dev.sh run [FILE.mob]   install what is missing, build, start the editor
#                             (on a freshly generated demo zone when no file is given)
#   ./dev.sh test             install what is missing, build, run every test but the stress test
#   ./dev.sh fuzz [SECONDS]   build the fuzzers with clang and run each of them (default 600 s each)
#   ./dev.sh bench            build in release mode and run the benchmarks
#   ./dev.sh stress [STARTS]  start and close the editor STARTS times (default 200) with the
#                             accessibility bridge on and as many with it off; counts deaths
#                             (not part of `test`; also `ctest -C Stress -L stress`)
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"

PACKAGES=(
  cmake ninja-build g++ clang pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libqt6opengl6-dev libqscintilla2-qt6-dev
  libglu1-mesa-dev libgl1-mesa-dri fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  libsimpleini-dev nlohmann-json3-dev libcli11-dev
  python3-dev pybind11-dev python3-pytest
  xvfb xauth xdg-utils locales jq git
  libxcb1-dev libxcb-damage0-dev dbus-daemon dbus-bin at-spi2-core
  librsvg2-bin desktop-file-utils appstream shared-mime-info dpkg-dev file
)

install_deps() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
  fi
  # A Russian locale, whose decimal separator is a comma: the tests of number
  # texts run under it too.
  locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$' || $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
}

# build DIR [CMAKE OPTIONS...], or build DIR --target T... -- [CMAKE OPTIONS...]
build() {
  local dir=$1; shift
  local targets=()
  if [ "${1:-}" = --target ]; then
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do targets+=("$1"); shift; done
    [ $# -gt 0 ] && shift
  fi
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" ${targets[@]:+--target "${targets[@]}"}
}

# The window and page tests once more, built unoptimised with the address and
# undefined-behaviour sanitizers: a widget that calls into an object already
# destroyed, which an optimised build can let pass unnoticed, stops the run here.
# Only the GUI test programs are built, each run as one process.
GUI_TESTS=(app_ui_tests editor_tests objects_ui_tests script_ui_tests map_page_tests
           masschange_page_tests blocks_ui_tests version_ui_tests)
sanitized_gui_tests() {
  local sanitizers=-fsanitize=address,undefined
  build build-asan --target "${GUI_TESTS[@]}" -- -DCMAKE_BUILD_TYPE=Debug -DKELVARIN_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$sanitizers -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g1" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" -DCMAKE_SHARED_LINKER_FLAGS="$sanitizers" \
    -DCMAKE_MODULE_LINKER_FLAGS="$sanitizers"
  local test
  for test in "${GUI_TESTS[@]}"; do
    # Qt and the display libraries keep memory to the end on purpose: no leak report.
    ASAN_OPTIONS=detect_leaks=0 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
      build-asan/bin/$test --gtest_brief=1
  done
}

# Runs every fuzz target for SECONDS each, on the corpus the seed writer makes.
fuzz() {
  local seconds=$1
  build build-fuzz -DKELVARIN_FUZZ=ON -DKELVARIN_WITH_GUI=OFF \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
  mkdir -p build-fuzz/corpus/load build-fuzz/corpus/build build-fuzz/artifacts
  build-fuzz/bin/kelvarin-fuzz-seeds build-fuzz/corpus/load build-fuzz/corpus/build
  local target
  for target in load build; do
    build-fuzz/bin/kelvarin-fuzz-$target -max_total_time="$seconds" -max_len=65536 \
      -artifact_prefix=build-fuzz/artifacts/$target- -print_final_stats=1 build-fuzz/corpus/$target
  done
}

cmd=${1:-}
case "$cmd" in
  run)
    install_deps
    build build
    file=${2:-}
    if [ -z "$file" ]; then
      file=build/demo/demo-zone.mob
      mkdir -p build/demo
      build/bin/kelvarin-cli generate "$file" --records 2000 --seed 7
    fi
    if [ -x build/bin/kelvarin ]; then
      exec build/bin/kelvarin "$file"
    else
      exec build/bin/kelvarin-cli info "$file"
    fi
    ;;
  test)
    install_deps
    build build
    # -noreset: without it the server resets whenever its last client leaves, and a
    # test process that connects during the reset fails to start.
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir build --output-on-failure -j2
    sanitized_gui_tests
    fuzz "${KELVARIN_FUZZ_SECONDS:-60}"
    ;;
  fuzz)
    install_deps
    fuzz "${2:-600}"
    ;;
  bench)
    install_deps
    build build-release -DCMAKE_BUILD_TYPE=Release
    # The window benchmarks need a display; Xvfb gives them one on any machine.
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
      sh -c 'for b in build-release/bin/bench-*; do "$b"; done'
    ;;
  stress)
    install_deps
    build build
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
      dbus-run-session -- build/bin/startup-stress build/bin/kelvarin "${2:-200}" --bridge both
    ;;
  *)
    sed -n '2,11p' "$0"
    exit 2
    ;;
esac
