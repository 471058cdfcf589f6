#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Hostile option values, run as a black box: numbers out of range, empty values, and paths whose
# bytes are not UTF-8. A bad value is a usage error (exit 2) whose message names the option and
# shows odd bytes as \xHH; a path that is merely not UTF-8 works, under exactly its bytes.
set -u
cli="$1"
data="$2"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
export TARNQ_SETTINGS="$root/TARNQ.INI"
cd "$root" || exit 1
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# One song three times: FLAC in a folder whose name holds the byte FF, two MP3s in Down, one of
# them named with the byte FE. The FLAC is the oldest, x\xFE.mp3 the newest.
setup() {
  rm -rf m
  mkdir -p $'m/Lib\xff' m/Down
  cp "$data/same-song.flac" $'m/Lib\xff/s\xfe.flac'
  cp "$data/same-song.mp3" m/Down/s.mp3
  cp "$data/same-song.mp3" $'m/Down/x\xfe.mp3'
  touch -d @1500000000 $'m/Lib\xff/s\xfe.flac'
  touch -d @1600000000 m/Down/s.mp3
  touch -d @1700000000 $'m/Down/x\xfe.mp3'
}
setup
"$cli" find --no-cache --save $'r\xff.tarnq' m >/dev/null 2>&1 || fail "saving the list to load"

# Usage errors: the command, the option the message must name, the arguments (shell words).
# Nothing is written to standard output and nothing is created.
while IFS='|' read -r command option words; do
  [ -z "$command" ] && continue
  eval "args=($words)"
  if [ "$command" = load ]; then args=($'r\xff.tarnq' "${args[@]}"); else args=(--no-cache "${args[@]}" m); fi
  out=$("$cli" "$command" "${args[@]}" 2>err)
  status=$?
  message=$(head -n 1 err)
  [ "$status" -eq 2 ] || fail "$command $words: status $status, not 2 ($message)"
  [[ "$message" == "tarnq-cli $command: "*"$option"* ]] || fail "$command $words: message does not name $option: $message"
  LC_ALL=C grep -q $'[\x01-\x09\x0b-\x1f\x7f-\xff]' err && fail "$command $words: raw bytes on standard error: $(cat -v err)"
  [ -z "$out" ] || fail "$command $words: printed $out"
  [ -z "$(ls -d no* 2>/dev/null)" ] || fail "$command $words: created $(ls -d no*)"
done <<'EOF'
find|--artist|--artist -1
find|--artist|--artist 99999999999999999999
find|--artist|--artist=-1
find|--title|--title ''
find|--title|--title=
find|--duration-tolerance|--duration-tolerance -2
find|--duration-tolerance|--duration-tolerance 99999999999999999999
find|--similarity|--similarity -1
find|--similarity|--similarity 99999999999999999999
find|--columns|--export x.csv --columns ''
find|--columns|--export x.csv --columns=
find|--columns|--export x.csv --columns +group,
find|--columns|--export x.csv --columns $'+\e[2J'
find|--format|--export x.csv --format ''
find|--format|--export x.csv --format -1
find|--format|--export x.csv --format 0
find|--format|--export x.csv --format 99999999999999999999
find|--format|--export x.csv --format=
find|--keep|--keep ''
find|--keep|--keep $'\xff'
find|--keep-in|--keep-in ''
find|--save|--save ''
find|--sort|--sort $'\e[2J'
find|--copy-to|--copy-to ''
find|--copy-to|--copy-to $'no\xff/dir'
find|--move-to|--move-to $'no\xff/dir' --yes
find|--cache|--cache $'no\xff/x/cache'
find|--filter|--filter $'+*.mp3;\xff'
load|--columns|--export x.csv --columns ''
load|--format|--export x.csv --format 99999999999999999999
load|--keep-in|--keep-in ''
load|--copy-to|--copy-to $'no\xff/dir'
EOF

# Paths that are not UTF-8 work: the name of the case, the exit status, the arguments, and the
# check (shell code; $out is standard output, err standard error). Messages name such a path with
# \xHH; the lists on standard output give its bytes. Every case starts from a fresh library.
while IFS='|' read -r name expected words check; do
  [ -z "$name" ] && continue
  setup
  eval "args=($words)"
  out=$("$cli" "${args[@]}" 2>err)
  status=$?
  [ "$status" -eq "$expected" ] || { fail "$name: status $status: $(cat -v err)"; continue; }
  eval "$check" || fail "$name: $(printf '%s' "$out" | cat -v) / $(cat -v err)"
done <<'EOF'
folder argument|0|find --no-cache --keep oldest --paths $'m/Lib\xff' m/Down|[ "$out" = "$root/m/Down/s.mp3"$'\n'"$root/"$'m/Down/x\xfe.mp3' ]
file argument|0|find --no-cache --keep newest --paths $'m/Lib\xff/s\xfe.flac' m/Down/s.mp3|[ "$out" = "$root/"$'m/Lib\xff/s\xfe.flac' ]
keep-in|0|find --no-cache --keep newest --keep-in $'m/Lib\xff' --paths m|[ "$out" = "$root/m/Down/s.mp3"$'\n'"$root/"$'m/Down/x\xfe.mp3' ] && ! grep -q warning err
select-in|0|find --no-cache --keep oldest --select-in $'m/Lib\xff' --paths m|[ "$out" = "$root/"$'m/Lib\xff/s\xfe.flac' ] && ! grep -q warning err
exclude|0|find --no-cache --exclude $'m/Lib\xff' m|[ "$(tail -n 1 <<<"$out")" = "Total 2 files, 10,320 bytes, 1 group" ]
filter|0|find --no-cache --filter $'+*\xfe*' m|[ "$(tail -n 1 <<<"$out")" = "Total 2 files, 29,075 bytes, 1 group" ]
copy-to|0|find --no-cache --keep best --copy-to $'c\xffdir' --yes m|[ -f $'c\xffdir/x\xfe.mp3' ] && [ -f c$'\xff'dir/s.mp3 ] && [ -f $'m/Down/x\xfe.mp3' ]
move-to|0|find --no-cache --keep best --move-to $'v\xffdir' --yes m|[ -f $'v\xffdir/x\xfe.mp3' ] && [ ! -e $'m/Down/x\xfe.mp3' ] && [ -f $'m/Lib\xff/s\xfe.flac' ]
save|0|find --no-cache --save $'s\xff.tarnq' m|[ "$("$cli" load --keep newest --paths $'s\xff.tarnq' 2>/dev/null)" = "$root/"$'m/Down/s.mp3\n'"$root/"$'m/Lib\xff/s\xfe.flac' ]
load|0|load --keep oldest --paths $'r\xff.tarnq'|[ "$out" = "$root/m/Down/s.mp3"$'\n'"$root/"$'m/Down/x\xfe.mp3' ]
export|0|find --no-cache --export $'e\xff.csv' m|[ -s $'e\xff.csv' ]
cache|0|find --cache $'k\xff/cache' m|[ "$(grep -c . $'k\xff/cache')" -eq 3 ] && LC_ALL=C grep -q $'x\xfe.mp3;' $'k\xff/cache'
missing keep-in folder|0|find --no-cache --keep best --keep-in $'gone\xff' --delete --dry-run m|grep -qxF "tarnq-cli: warning: --keep-in $root/gone\\xFF: No such file or directory" err
missing folder|1|find --no-cache $'gone\xff'|grep -qxF "tarnq-cli: $root/gone\\xFF: No such file or directory" err
missing results file|1|load $'gone\xff.tarnq'|grep -qxF "tarnq-cli load: gone\\xFF.tarnq: No such file or directory" err
EOF

[ "$failed" -eq 0 ] && echo "all passed"
