#!/usr/bin/env bash
# Renders the skin's SVG sources (skin/svg/*.svg) into the PNGs the program loads
# (skin/img/<name>.png and its scale variants <name>@<scale>.png).
#
# The PNGs are committed, so building the program needs no renderer; run this
# only after changing an SVG. It needs rsvg-convert (Debian: librsvg2-bin) and,
# for the optional size optimisation, optipng when it is installed.
#
# Usage: scripts/render_skin.sh [name ...]   (default: every SVG)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
svg_dir="$root/skin/svg"
img_dir="$root/skin/img"

# Every image has variants for the display scales 80, 150, 200 and 300 %; the
# logo and the close buttons also have one for 125 %.
scales=(80 150 200 300)
with_125=(logo btn_close btn_close_hot btn_close_pushed)

command -v rsvg-convert >/dev/null || {
  echo "rsvg-convert not found (Debian: apt-get install librsvg2-bin)" >&2
  exit 1
}

# Width and height of an SVG's root element, in pixels at 100 %.
svg_size() {
  local head w h
  head="$(tr '\n' ' ' <"$1" | grep -o '<svg[^>]*>' | head -n1)"
  w="$(sed -n 's/.*[[:space:]]width="\([0-9.]*\)".*/\1/p' <<<"$head")"
  h="$(sed -n 's/.*[[:space:]]height="\([0-9.]*\)".*/\1/p' <<<"$head")"
  [[ -n "$w" && -n "$h" ]] || { echo "$1: root element needs width and height" >&2; return 1; }
  echo "$w $h"
}

# Rounds size × scale / 100 to the nearest pixel (at least 1).
scaled() {
  awk -v v="$1" -v s="$2" 'BEGIN { r = int(v * s / 100 + 0.5); if (r < 1) r = 1; print r }'
}

render() {
  local src="$1" out="$2" w="$3" h="$4"
  rsvg-convert --format=png --width="$w" --height="$h" --output="$out" "$src"
  if command -v optipng >/dev/null; then optipng -quiet -o2 -strip all "$out"; fi
}

mkdir -p "$img_dir"
if (($#)); then names=("$@"); else
  names=()
  for f in "$svg_dir"/*.svg; do names+=("$(basename "$f" .svg)"); done
fi

for name in "${names[@]}"; do
  src="$svg_dir/$name.svg"
  [[ -f "$src" ]] || { echo "no such source: $src" >&2; exit 1; }
  read -r w h < <(svg_size "$src")
  list=("${scales[@]}")
  for special in "${with_125[@]}"; do
    [[ "$name" == "$special" ]] && list+=(125)
  done
  render "$src" "$img_dir/$name.png" "$(scaled "$w" 100)" "$(scaled "$h" 100)"
  rm -f "$img_dir/$name"@*.png
  for s in "${list[@]}"; do
    render "$src" "$img_dir/$name@$s.png" "$(scaled "$w" "$s")" "$(scaled "$h" "$s")"
  done
  echo "$name: ${w}x${h} + ${list[*]}"
done
