#!/usr/bin/env bash
# The Debian package.
#   package.sh build   builds build-deb/vlm-tuner_VERSION_ARCH.deb from a copy of
#                      the checkout (dpkg-buildpackage writes next to the source
#                      folder, so the copy keeps everything inside build-deb/),
#                      then checks it: lintian (no error, no warning), and on the
#                      files it ships appstreamcli validate and desktop-file-validate.
#   package.sh check   as root: installs that package with apt-get, runs the
#                      installed programs from a folder outside the checkout,
#                      purges it and checks that none of its files remain.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
out=$top/build-deb
version=$(sed -n 's/^project(vlm_tuner VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)
deb=$out/vlm-tuner_${version}_${arch}.deb
say() { echo "package: $*"; }

build() {
  local src=$out/vlm-tuner-$version
  rm -rf "$out"
  mkdir -p "$src"
  # The files git knows, as they are in the working tree (no build folders).
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar --null -T - -cf - | tar -xf - -C "$src"
  say "building $(basename "$deb")"
  (cd "$src" && DEB_BUILD_OPTIONS="parallel=${JOBS:-2} ${DEB_BUILD_OPTIONS:-}" \
    dpkg-buildpackage -b -us -uc) >"$out/build.log" 2>&1 ||
    { tail -n 60 "$out/build.log"; say "dpkg-buildpackage failed; the whole log: $out/build.log"; exit 1; }
  [ -f "$deb" ] || { say "no $deb after the build"; exit 1; }

  say "lintian"
  lintian --fail-on error,warning "$out"/vlm-tuner_"${version}"_"${arch}".changes

  local root=$out/root
  dpkg-deb -x "$deb" "$root"
  say "appstreamcli validate"
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
  say "desktop-file-validate"
  local hints
  hints=$(desktop-file-validate "$root"/usr/share/applications/*.desktop)
  [ -z "$hints" ] || { echo "$hints"; say "desktop-file-validate is not clean"; exit 1; }
  say "built $deb in $SECONDS s"
}

check() {
  [ "$(id -u)" -eq 0 ] || { say "the installation check runs as root (apt-get)"; exit 1; }
  [ -f "$deb" ] || { say "no $deb: run 'make package' first"; exit 1; }
  export DEBIAN_FRONTEND=noninteractive
  local files
  files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e '/\/$/d')

  say "apt-get install $deb"
  apt-get install -y -q "$deb" >"$out/install.log" 2>&1 ||
    { cat "$out/install.log"; say "the installation failed"; exit 1; }

  # From a folder outside the checkout, with nothing pointing back into it.
  local work
  work=$(mktemp -d /tmp/vlm-package-check.XXXXXX)
  # (A subshell on the left of || would run with set -e switched off.)
  set +e
  (
    set -ex
    cd "$work"
    unset VLM_SKIN_DIR
    export PATH=/usr/bin:/bin
    [ "$(command -v vlmctl)" = /usr/bin/vlmctl ]
    [ "$(command -v vlm-tuner)" = /usr/bin/vlm-tuner ]
    [ "$(vlmctl --version)" = "vlmctl $version" ]
    [ "$(vlm-tuner --version)" = "vlm-tuner $version" ]
    vlmctl --simulate info
    man -w vlmctl
    man -w vlm-tuner
    # The completion offers the groups of the command table and their verbs.
    bash -ec '. /usr/share/bash-completion/completions/vlmctl
             COMP_WORDS=(vlmctl sc); COMP_CWORD=1; _vlmctl; [ "${COMPREPLY[*]}" = scene ]
             COMP_WORDS=(vlmctl --simulate scene l); COMP_CWORD=3; _vlmctl; [ "${COMPREPLY[*]}" = "list load" ]'
    xvfb-run -a vlm-tuner --screenshot shots
    # Every window in every language: the skin and its languages are in the program.
    for lang in en cn_zh ru; do [ -s "shots/main_$lang.png" ]; done
    # The carried firmware is in the program: the forced update's images.
    vlmctl firmware export fw
    vlmctl firmware check fw/MCU_UPG.bin
  )
  local rc=$?
  set -e
  [ "$rc" -eq 0 ] || { say "a check of the installed package failed (folder $work)"; exit 1; }
  say "screenshots: $(ls "$work/shots" | wc -l) pictures"
  rm -rf "$work"

  say "apt-get purge vlm-tuner"
  apt-get purge -y -q vlm-tuner >>"$out/install.log" 2>&1 ||
    { cat "$out/install.log"; say "the purge failed"; exit 1; }
  local left=""
  while IFS= read -r f; do
    if [ -e "$f" ] || [ -L "$f" ]; then left+="$f"$'\n'; fi
  done <<<"$files"
  [ ! -d /usr/share/doc/vlm-tuner ] || left+="/usr/share/doc/vlm-tuner"$'\n'
  if dpkg-query -W -f='${Status}' vlm-tuner 2>/dev/null | grep -qv "not-installed"; then
    left+="(dpkg still knows vlm-tuner)"$'\n'
  fi
  [ -z "$left" ] || { printf '%s' "$left"; say "these remain after the purge"; exit 1; }
  say "installed, ran and purged without leftovers ($(wc -l <<<"$files") files) in $SECONDS s"
}

case ${1:-} in
  build) build ;;
  check) check ;;
  *) echo "usage: $0 build|check" >&2; exit 2 ;;
esac
