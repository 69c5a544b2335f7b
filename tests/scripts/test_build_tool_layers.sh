#!/usr/bin/env bash
# pelmar-build is the windowless build: it must not link Qt Widgets, and no
# window or dialog class may be inside it.
set -euo pipefail
tool=${PELMAR_BIN_DIR:?}/pelmar-build
test -x "$tool" || { echo "FAILED: $tool is not built"; exit 1; }
fail=0
libs=$(ldd "$tool")
if grep -qi 'libQt6Widgets' <<<"$libs"; then
  echo "FAILED: pelmar-build links Qt Widgets:"
  grep -i 'libQt6Widgets' <<<"$libs"
  fail=1
fi
grep -q 'libQt6Gui' <<<"$libs" || { echo "FAILED: ldd did not list the Qt libraries"; fail=1; }
# Symbols of the window layer's classes, and any Qt widget class it would call.
inside=$(nm -C "$tool" | grep -E 'pelmar::(TSaveMegrForm|EnvelopeEdit|TBrowseForFolderDialog|DiscWriteDialog|HelpWindow|MessageBox|FileOpDialogs|MainForm)|reports::ReportPreviewWindow|\bQ(Widget|Dialog|MessageBox|ProgressDialog|Application)::' || true)
if [ -n "$inside" ]; then
  echo "FAILED: window classes inside pelmar-build:"
  head -20 <<<"$inside"
  fail=1
fi
exit $fail
