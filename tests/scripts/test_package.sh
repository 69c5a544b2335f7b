#!/usr/bin/env bash
# The Debian package: built by CPack from this build, it must carry the
# programs (stripped), the help file where the installed program looks for
# it, the desktop entry offering the program for pictures, the icon, the
# manual pages, copyright and changelog; declare its run-time packages
# (libraries found by shlibdeps, the rest by name); unpack into a scratch root
# with programs whose libraries all resolve; and pass lintian without errors.
# Skipped (status 0, "skipped") where dpkg-deb is missing.
set -euo pipefail
if ! command -v dpkg-deb >/dev/null || ! command -v cpack >/dev/null; then
  echo "package: skipped (no dpkg-deb or cpack)"
  exit 0
fi
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
for dep in libc6 libqt6widgets6 libqt6network6 libjpeg62-turbo libsqlite3-0 libchm1 libuemf0 \
           qt6-qpa-plugins qt6-translations-l10n fonts-liberation xorriso; do
  check grep -q "Depends:.*$dep" <<<"$info"
done
# The long description in both languages.
check grep -q "^ *A Pelmar megrendelés a Pelmar fotólabor" <<<"$info"
check grep -q "^ *Pelmar megrendelés is the program" <<<"$info"

files=$(dpkg -c "$deb" | awk '{print $6}')
for f in ./usr/bin/pelmarorder ./usr/bin/pelmar-build ./usr/share/applications/pelmarorder.desktop \
         ./usr/share/icons/hicolor/scalable/apps/pelmarorder.svg ./usr/share/man/man1/pelmarorder.1.gz \
         ./usr/share/man/man1/pelmar-build.1.gz ./usr/share/doc/pelmarorder/copyright \
         ./usr/share/doc/pelmarorder/changelog.Debian.gz; do
  check grep -qx "$f" <<<"$files"
done
if [ -f "$bin/pelmarorder.chm" ]; then
  check grep -qx "./usr/share/pelmarorder/pelmarorder.chm" <<<"$files"
fi
check test -z "$(grep -x './usr/bin/.*\.chm' <<<"$files" || true)"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for prog in pelmarorder pelmar-build; do
  check test -x "$root/usr/bin/$prog"
  missing=$(ldd "$root/usr/bin/$prog" | grep "not found" || true)
  check test -z "$missing"
  # Stripped: no symbol table left.
  check test -z "$(readelf -S "$root/usr/bin/$prog" | grep -w '\.symtab' || true)"
done
desktop="$root/usr/share/applications/pelmarorder.desktop"
check grep -q "^Exec=pelmarorder %F$" "$desktop"
check grep -q "^MimeType=image/jpeg;image/tiff;$" "$desktop"
check grep -q "^Name=Pelmar megrendelés$" "$desktop"
# The manual page of pelmar-build names its options and every exit status
# the program returns.
man_text=$(zcat "$root/usr/share/man/man1/pelmar-build.1.gz")
for word in '\\-\\-tasak' '\\-\\-folder' 'EXIT STATUS'; do
  check grep -q "$word" <<<"$man_text"
done
for status in 0 1 2 3; do
  check grep -qx "\.B $status" <<<"$man_text"
done

if command -v lintian >/dev/null; then
  lintian --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 || true
  if grep -q "^E:" "$work/lintian.log"; then
    grep "^E:" "$work/lintian.log"
    fail=1
  fi
else
  echo "lintian: not installed, not run"
fi

if [ "$fail" -ne 0 ]; then
  echo "0 passed, 1 failed"
  exit 1
fi
echo "package: $(basename "$deb"), $(wc -l <<<"$files") entries, lintian: $(grep -c '^W:' "$work/lintian.log" 2>/dev/null || echo 0) warnings"
