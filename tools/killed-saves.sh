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

# The kills land after the load, while the image is built and written: the span
# between a load alone and a whole load and save.
cp "$work/old.mob" "$target"
start=$(date +%s%N)
"$cli" info "$work/new.mob" >/dev/null
load_ms=$(( ($(date +%s%N) - start) / 1000000 ))
start=$(date +%s%N)
"$cli" resave "$work/new.mob" "$target" 2>/dev/null
span_ms=$(( ($(date +%s%N) - start) / 1000000 ))
echo "file $(stat -c %s "$work/new.mob") bytes on $(stat -f -c %T "$folder"): load $load_ms ms, load and save $span_ms ms"

old=0 new=0 torn=0 left=0 killed=0
for ((i = 1; i <= kills; i++)); do
  cp "$work/old.mob" "$target"
  delay_ms=$(( load_ms + RANDOM % (span_ms - load_ms + 1) ))
  "$cli" resave "$work/new.mob" "$target" 2>/dev/null &
  pid=$!
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
echo "kills: $kills (landed before the save ended: $killed); target old: $old, new: $new, torn: $torn; other files left: $left"
[ "$torn" -eq 0 ] && [ "$left" -eq 0 ]
