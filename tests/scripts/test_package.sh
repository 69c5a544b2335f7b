#!/usr/bin/env bash
# The Debian package: built by CPack from this build, it must carry the
# programs (stripped), the help file where the installed program looks for
# it, the desktop entry offering the program for pictures, the software
# centres' metainfo, the icon, the manual pages, copyright and changelog;
# declare its run-time packages (libraries found by shlibdeps, the rest by
# name); unpack into a scratch root with programs whose libraries all
# resolve; draw every picture of the program with no Qt plugin but those of
# its dependencies (offscreen and Wayland); pass desktop-file-validate,
# appstreamcli, hardening-check (a hardened build) and lintian --pedantic.
# Skipped (status 0, "skipped") where dpkg-deb is missing; each check whose
# tool is missing says so.
set -euo pipefail
if ! command -v dpkg-deb >/dev/null || ! command -v cpack >/dev/null; then
  echo "package: skipped (no dpkg-deb or cpack)"
  exit 0
fi
bin=${PELMAR_BIN_DIR:?}
build=$(dirname "$bin")
src=${PELMAR_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/*.deb)
fail=0
check() { if ! "$@"; then echo "FAILED: $*"; fail=1; fi; }

info=$(dpkg-deb --info "$deb")
check grep -q "Package: pelmarorder" <<<"$info"
for dep in libc6 libqt6widgets6 libqt6network6 libjpeg62-turbo libsqlite3-0 libchm1 libuemf0 \
           libqt6svg6 qt6-wayland qt6-translations-l10n fonts-liberation xorriso; do
  check grep -q "Depends:.*$dep" <<<"$info"
done
# The long description in both languages.
check grep -q "^ *A Pelmar megrendelés a Pelmar fotólabor" <<<"$info"
check grep -q "^ *Pelmar megrendelés is the program" <<<"$info"

files=$(dpkg -c "$deb" | awk '{print $6}')
for f in ./usr/bin/pelmarorder ./usr/bin/pelmar-build ./usr/bin/pelmar-send ./usr/share/applications/pelmarorder.desktop \
         ./usr/share/metainfo/hu.pelmar.pelmarorder.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/pelmarorder.svg ./usr/share/man/man1/pelmarorder.1.gz \
         ./usr/share/man/man1/pelmar-build.1.gz ./usr/share/man/man1/pelmar-send.1.gz ./usr/share/doc/pelmarorder/copyright \
         ./usr/share/doc/pelmarorder/changelog.Debian.gz; do
  check grep -qx "$f" <<<"$files"
done
if [ -f "$bin/pelmarorder.chm" ]; then
  check grep -qx "./usr/share/pelmarorder/pelmarorder.chm" <<<"$files"
fi
check test -z "$(grep -x './usr/bin/.*\.chm' <<<"$files" || true)"

root="$work/root"
dpkg-deb -x "$deb" "$root"
# The phone picture helper is the program's own, beside it in libexec.
for prog in bin/pelmarorder bin/pelmar-build bin/pelmar-send libexec/pelmarorder/pelmar-convert; do
  check test -x "$root/usr/$prog"
  missing=$(ldd "$root/usr/$prog" | grep "not found" || true)
  check test -z "$missing"
  # Stripped: no symbol table left.
  check test -z "$(readelf -S "$root/usr/$prog" | grep -w '\.symtab' || true)"
done
check grep -q "Depends:.*libheif1" <<<"$info"

desktop="$root/usr/share/applications/pelmarorder.desktop"
check grep -q "^Exec=pelmarorder %F$" "$desktop"
check grep -q "^MimeType=image/jpeg;image/tiff;image/heic;image/heif;image/avif;image/webp;image/png;$" "$desktop"
check grep -q "^Name=Pelmar megrendelés$" "$desktop"
have() { command -v "$1" >/dev/null || { echo "$1: not installed, not run"; return 1; }; }
# Without hints too (an entry in two main categories is listed twice); the
# metainfo with the desktop entry and icon beside it, pedantic, no network.
if have desktop-file-validate; then check test -z "$(desktop-file-validate "$desktop" 2>&1)"; fi
if have appstreamcli; then
  check test "$(appstreamcli validate-tree --no-net --pedantic "$root" 2>&1)" = "✔ Validation was successful."
fi
# The manual page of pelmar-build names its options and every exit status
# the program returns.
man_text=$(zcat "$root/usr/share/man/man1/pelmar-build.1.gz")
for word in '\\-\\-tasak' '\\-\\-folder' 'EXIT STATUS'; do
  check grep -q "$word" <<<"$man_text"
done
for status in 0 1 2 3; do
  check grep -qx "\.B $status" <<<"$man_text"
done

# Debian's hardening flags in both programs, where this build has them (the
# release build that tools/package ships; the sanitizer build cannot).
# Debian 12's dpkg-buildflags gives no -fcf-protection, so control flow
# protection is not asked for.
if ! grep -q '^PELMAR_HARDENING:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "hardening-check: not run, $(basename "$build") is built without hardening flags (tools/package checks the release build)"
elif have hardening-check; then
  check hardening-check --nocfprotection "$root/usr/bin/pelmarorder" "$root/usr/bin/pelmar-build" "$root/usr/bin/pelmar-send"
  # The helper is built with the same flags (-D_FORTIFY_SOURCE=2), but the
  # compiler can bound every read and copy in it, so none is in its checked
  # form and hardening-check, which looks for those, says no. Everything
  # else is checked.
  check hardening-check --nocfprotection --nofortify "$root/usr/libexec/pelmarorder/pelmar-convert"
fi

# Every picture drawn with only the Qt plugins of the packages the package
# depends on (and theirs): a qt.conf beside the unpacked program names a
# folder of links to those plugins instead of Qt's own.
qt_plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS)
# shellcheck disable=SC2046
closure=$(apt-cache depends --recurse --installed --important \
  $(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (|].*//') | grep -v '^[ <]' | sort -u)
plugin_tree() { # DIR [PACKAGE-LEFT-OUT]
  grep -vx "${2:-}" <<<"$closure" | { xargs dpkg-query -L 2>/dev/null || true; } | grep "^$qt_plugins/.*\.so$" |
    while read -r f; do
      mkdir -p "$(dirname "$1/${f#"$qt_plugins"/}")" && ln -s "$f" "$1/${f#"$qt_plugins"/}"
    done
}
plugin_tree "$work/plugins"
plugin_tree "$work/plugins-nosvg" libqt6svg6
run_limited() { # NAME PLUGINS PLATFORM [WRAPPER]: five seconds of the program
  printf '[Paths]\nPrefix=/usr\nPlugins=%s\nTranslations=%s\n' "$2" \
    "$(qtpaths6 --query QT_INSTALL_TRANSLATIONS)" >"$root/usr/bin/qt.conf"
  mkdir -m 0700 "$work/$1"
  env -u QT_PLUGIN_PATH -u QT_QPA_PLATFORM_PLUGIN_PATH QT_DEBUG_PLUGINS=1 QT_QPA_PLATFORM="$3" HOME="$work/$1" \
    XDG_CONFIG_HOME="$work/$1" XDG_RUNTIME_DIR="$work/$1" ${4:-} timeout 5 "$root/usr/bin/pelmarorder" \
    >"$work/$1.log" 2>&1 || echo "status $?" >>"$work/$1.log"
}
# drew NAME PLATFORM-PLUGIN: still running after five seconds on that
# platform plugin, the SVG icon engine loaded, every picture drawn, and no
# plugin folder looked into but the limited one (Qt names a link's target
# when it loads it).
drew() {
  grep -q "\"$qt_plugins/platforms/$2\" loaded library" "$work/$1.log" &&
    grep -q "\"$qt_plugins/iconengines/libqsvgicon.so\" loaded library" "$work/$1.log" &&
    grep -qx "status 124" "$work/$1.log" && ! grep -q "nem rajzolhatók ki" "$work/$1.log" &&
    ! grep "checking directory path" "$work/$1.log" | grep -vq "\"$work/"
}
run_limited offscreen "$work/plugins" offscreen
check drew offscreen libqoffscreen.so
run_limited nosvg "$work/plugins-nosvg" offscreen
check grep -q "nem rajzolhatók ki.*:/status/refused.svg" "$work/nosvg.log"
run_limited wayland "$work/plugins" wayland "$src/tools/wayland-run"
if grep -qx "status 77" "$work/wayland.log"; then
  echo "plugins on Wayland: not run, $(grep wayland-run: "$work/wayland.log")"
else
  check drew wayland libqwayland-generic.so
fi
rm -f "$root/usr/bin/qt.conf"

# The sanitizer build's package is the same but for the programs: lintian
# (half a minute) looks at the normal build's. --pedantic, and no warning but
# the one every first upload gets.
if grep -q '^PELMAR_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "lintian: not run in the sanitizer build"
elif have lintian; then
  lintian --pedantic --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
  check test -z "$(grep -E '^[EWP]:' "$work/lintian.log" | grep -v initial-upload-closes-no-bugs)"
fi

if [ "$fail" -ne 0 ]; then
  echo "0 passed, 1 failed"
  exit 1
fi
echo "package: $(basename "$deb"), $(wc -l <<<"$files") entries, lintian: $(grep -c '^W:' "$work/lintian.log" 2>/dev/null || echo 0) warnings"
