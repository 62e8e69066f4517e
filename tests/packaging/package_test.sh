#!/usr/bin/env bash
# Builds the Debian package from a configured build tree, checks what it
# installs and that its command-line tool runs from the unpacked tree.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/velkor_*.deb)
echo "built $(basename "$deb")"

contents=$(dpkg-deb --contents "$deb")
for f in ./usr/bin/velkor ./usr/bin/velkor-cli ./usr/bin/velkor-board ./usr/share/man/man1/velkor-board.1 ./usr/share/applications/velkor.desktop \
         ./usr/share/icons/hicolor/scalable/apps/velkor.svg ./usr/share/man/man1/velkor-cli.1 ./usr/share/man/man1/velkor.1; do
  grep -q " $f\$" <<<"$contents" || { echo "missing from the package: $f"; exit 1; }
done

depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
grep -q "libqt6widgets6" <<<"$depends" || { echo "Depends lacks the Qt widgets library"; exit 1; }

dpkg-deb -x "$deb" "$work/root"
# Read whole before searching: grep -q stops reading at its match, and a help
# longer than a pipe write would then end velkor-cli with SIGPIPE.
help=$("$work/root/usr/bin/velkor-cli" --help) || { echo "velkor-cli --help failed"; exit 1; }
grep -q "show --json" <<<"$help" || { echo "velkor-cli --help lacks show --json"; exit 1; }
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$work/root/usr/share/applications/velkor.desktop"
fi
echo "package ok"
