#!/usr/bin/env bash
# The Debian package: built by CPack from this build, it must carry the program,
# its help file, the desktop entry and the icon, declare its run-time packages,
# and unpack into a scratch root with a program whose libraries all resolve.
set -euo pipefail
bin=${PELMAR_BIN_DIR:?}
build=$(dirname "$bin")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/*.deb)
fail=0
check() { if ! "$@"; then echo "FAILED: $*"; fail=1; fi; }

info=$(dpkg-deb --info "$deb")
check grep -q "Package: pelmarorder" <<<"$info"
for dep in libqt6widgets6 libjpeg62-turbo libsqlite3-0 libchm1 libuemf0 fonts-liberation; do
  check grep -q "Depends:.*$dep" <<<"$info"
done

files=$(dpkg -c "$deb" | awk '{print $6}')
for f in ./usr/bin/pelmarorder ./usr/share/applications/pelmarorder.desktop \
         ./usr/share/icons/hicolor/scalable/apps/pelmarorder.svg; do
  check grep -qx "$f" <<<"$files"
done
if [ -f "$bin/pelmarorder.chm" ]; then
  check grep -qx "./usr/bin/pelmarorder.chm" <<<"$files"
fi

# A fresh unpack into a scratch root: the program is there and runnable as far
# as the dynamic linker is concerned.
root="$work/root"
dpkg-deb -x "$deb" "$root"
check test -x "$root/usr/bin/pelmarorder"
missing=$(ldd "$root/usr/bin/pelmarorder" | grep "not found" || true)
check test -z "$missing"
check grep -q "^Exec=pelmarorder$" "$root/usr/share/applications/pelmarorder.desktop"
check grep -q "^Name=Pelmar megrendelés$" "$root/usr/share/applications/pelmarorder.desktop"

if [ "$fail" -ne 0 ]; then
  echo "0 passed, 1 failed"
  exit 1
fi
echo "package: $(basename "$deb"), $(wc -l <<<"$files") entries"
