#!/usr/bin/env bash
# Every window of the program as a screen reader finds it: the window
# gallery on an X11 display of its own (Xvfb) with Qt's AT-SPI bridge on, in
# a D-Bus session of its own, walked by tests/scripts/accessible_names.py
# with Debian's own Python, where python3-pyatspi is (not a pyenv one).
set -euo pipefail
bin=${PELMAR_BIN_DIR:?}
for need in /usr/bin/xvfb-run /usr/bin/dbus-run-session /usr/libexec/at-spi-bus-launcher "$bin/ui_test_Gallery"; do
  [ -x "$need" ] || { echo "skipped: $need is missing (tools/install-deps, or build it)"; exit 0; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is missing (tools/install-deps)"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"
XDG_CONFIG_HOME="$work/config" HOME="$work" XDG_RUNTIME_DIR="$work/run" timeout 300 \
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/accessible_names.py" "$bin/ui_test_Gallery"
