#!/usr/bin/env bash
# Proves a built lumen .deb installs on a clean Debian 12: makes a minimal
# bookworm root with debootstrap, installs the package there with apt (which
# fetches its Depends and Recommends), and runs both programs' --help inside it.
set -euo pipefail

usage() {
  cat <<'HELP'
usage: dist/check_deb_install.sh PACKAGE.deb [--root DIR] [--keep] [--mirror URL]
Needs root, debootstrap and network access to a Debian mirror.
  --root DIR     where to build the scratch root (default: a new directory in /tmp)
  --keep         leave the scratch root in place afterwards
  --mirror URL   Debian mirror (default http://deb.debian.org/debian)
  --help         this text
HELP
}

deb="" root="" keep=0 mirror=http://deb.debian.org/debian
while [ $# -gt 0 ]; do
  case "$1" in
    --root) root=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --mirror) mirror=$2; shift 2 ;;
    --help) usage; exit 0 ;;
    -*) echo "check_deb_install.sh: unknown option '$1' (see --help)" >&2; exit 2 ;;
    *) deb=$1; shift ;;
  esac
done
[ -n "$deb" ] || { usage >&2; exit 2; }
[ -f "$deb" ] || { echo "check_deb_install.sh: no package at $deb" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "check_deb_install.sh: needs root (debootstrap and chroot)" >&2; exit 1; }
command -v debootstrap >/dev/null || { echo "check_deb_install.sh: debootstrap is missing (Debian package debootstrap)" >&2; exit 1; }

[ -n "$root" ] || root=$(mktemp -d /tmp/lumen-deb-root-XXXXXX)
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  [ "$keep" -eq 1 ] || rm -rf "$root"
}
trap cleanup EXIT

echo "== debootstrap bookworm (minbase) into $root" >&2
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
  { tail -20 "$root.debootstrap.log" >&2; exit 1; }
rm -f "$root.debootstrap.log"
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/"
name=$(basename "$deb")

echo "== apt install ./$name" >&2
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$name"
echo "== installed files and what apt pulled in" >&2
chroot "$root" dpkg -L lumen
chroot "$root" dpkg-query -W -f='${Package} ${Version}\n' lumen fonts-liberation2 fonts-dejavu-core ffmpeg libgl1-mesa-dri
echo "== the programs run" >&2
chroot "$root" lumen --help
chroot "$root" lumenkit --help
# The player building its packs and drawing frames headless on Mesa's software
# renderer inside the clean root shows the runtime dependencies are complete
# (EGL, GL, the fonts of the Text operation). An interrupt ends it like a close.
report=$(chroot "$root" env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
  timeout -s INT -k 30 20 lumen -windowed -m0 --timings | grep '^lumen: timings:' || true)
echo "$report"
case "$report" in
  *", 0 frames"* | "") echo "check_deb_install.sh: the installed player drew no frame" >&2; exit 1 ;;
esac
echo "== ok: $name installs and runs on a clean Debian 12" >&2
