#!/usr/bin/env bash
# Kills kelvarin-cli with SIGKILL at random moments of a save and checks what the
# folder holds afterwards: exactly the target, with its old or its new content.
#   tools/killed-saves.sh FOLDER [KILLS] [RECORDS]
# FOLDER is where the target lives (for instance one on ext4 and one on tmpfs,
# such as /dev/shm); KILLS defaults to 20, RECORDS to 200000. KELVARIN_CLI names
# another kelvarin-cli to try.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
cli=${KELVARIN_CLI:-build/bin/kelvarin-cli}
[ -x "$cli" ] || { echo "build first: $cli is missing" >&2; exit 2; }
folder=$1 kills=${2:-20} records=${3:-200000}

work=$(mktemp -d)
trap 'rm -rf "$work" "$folder/kill-test"' EXIT
mkdir -p "$folder/kill-test"
target=$folder/kill-test/zone.mob
"$cli" generate "$work/old.mob" --records "$records" --seed 1
"$cli" generate "$work/new.mob" --records "$records" --seed 2

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Waits until the process has its new file open in the folder (named or not).
wait_for_new_file() {
  local pid=$1
  while [ -d /proc/$pid ]; do
    ls -l /proc/$pid/fd 2>/dev/null | grep -v " -> $target\$" | grep -q " -> $folder/kill-test/" && return 0
  done
  return 1
}

# One uninterrupted save, watched: how long the new file is open before the
# rename gives the target a new inode.
cp "$work/old.mob" "$target"
inode=$(stat -c %i "$target")
"$cli" resave "$work/new.mob" "$target" 2>/dev/null &
pid=$!
wait_for_new_file "$pid"
opened=$(now_ms)
while [ -d /proc/$pid ] && [ "$(stat -c %i "$target")" = "$inode" ]; do :; done
window_ms=$(( $(now_ms) - opened ))
wait "$pid"
size=$(stat -c %s "$work/new.mob")
echo "file $size bytes on $(stat -f -c %T "$folder"): written, flushed and renamed in about $window_ms ms"

# Each kill lands at a random moment of that window.
old=0 new=0 torn=0 left=0 killed=0
for ((i = 1; i <= kills; i++)); do
  cp "$work/old.mob" "$target"
  "$cli" resave "$work/new.mob" "$target" 2>/dev/null &
  pid=$!
  wait_for_new_file "$pid" || true
  delay_ms=$(( RANDOM % (window_ms + 1) ))
  sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
  kill -9 "$pid" 2>/dev/null && killed=$((killed + 1)) || true
  wait "$pid" 2>/dev/null || true
  others=$(ls -A "$folder/kill-test" | { grep -vx zone.mob || true; } | wc -l)
  left=$((left + others))
  if cmp -s "$target" "$work/old.mob"; then old=$((old + 1));
  elif cmp -s "$target" "$work/new.mob"; then new=$((new + 1));
  else torn=$((torn + 1)); fi
  find "$folder/kill-test" -mindepth 1 ! -name zone.mob -delete
done
echo "kills: $kills (before the process ended: $killed); target old: $old, new: $new, torn: $torn; other files left: $left"
[ "$torn" -eq 0 ] && [ "$left" -eq 0 ]
