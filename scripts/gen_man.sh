#!/usr/bin/env bash
# Writes a program's man page from its --help and --version with help2man.
# For vlmctl (--commands) a COMMANDS section adds each command's own --help,
# the commands taken from its command table (vlmctl --list-commands).
# Usage: gen_man.sh PROGRAM OUT "ONE-LINE DESCRIPTION" [--commands]
set -euo pipefail
program=$(realpath "$1")
out=$2
what=$3
commands=${4:-}
name=$(basename "$program")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp" "$out.tmp"' EXIT

# help2man takes the synopsis from "Usage:" and "  or:" lines; the programs
# write "usage:" and align further forms under the first, so help2man runs
# them through a wrapper that says it its way.
mkdir "$tmp/bin"
cat >"$tmp/bin/$name" <<WRAPPER
#!/bin/sh
"$program" "\$@" | sed -e '1s/^usage:/Usage:/' -e '2,/^\$/s/^  *\\($name\\) /  or:  \\1 /'
WRAPPER
chmod +x "$tmp/bin/$name"

# Help text as roff: literal lines, backslashes and minus signs escaped, no
# line taken for a request.
roff_literal() {
  sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
}

{
  echo "[FILES]"
  echo ".TP"
  echo ".I /usr/lib/udev/rules.d/70\\-vlm\\-tuner.rules"
  echo "lets the user at the seat open the amplifier (USB 0483:5750) without root."
  echo "[SEE ALSO]"
  for other in vlm-tuner vlmctl; do
    [ "$other" = "$name" ] || echo ".BR $other (1)"
  done
  if [ "$commands" = "--commands" ]; then
    echo "[COMMANDS]"
    "$program" --list-commands | while IFS=$'\t' read -r group summary; do
      echo ".SS $group"
      printf '%s\n' "$summary" | roff_literal
      echo ".PP"
      echo ".nf"
      "$program" "$group" --help | roff_literal
      echo ".fi"
    done
  fi
} >"$tmp/include"

help2man --no-info --section=1 --name="$what" \
  --include="$tmp/include" --output="$out.tmp" "$tmp/bin/$name"
mv "$out.tmp" "$out"
