#!/usr/bin/env bash
# pelmar-build and pelmar-send are the windowless tools: they must not link
# Qt Widgets, and no window or dialog class may be inside them.
set -euo pipefail
fail=0
for name in pelmar-build pelmar-send; do
  tool=${PELMAR_BIN_DIR:?}/$name
  test -x "$tool" || { echo "FAILED: $tool is not built"; fail=1; continue; }
  libs=$(ldd "$tool")
  if grep -qi 'libQt6Widgets' <<<"$libs"; then
    echo "FAILED: $name links Qt Widgets:"
    grep -i 'libQt6Widgets' <<<"$libs"
    fail=1
  fi
  grep -q 'libQt6Core' <<<"$libs" || { echo "FAILED: ldd did not list the Qt libraries of $name"; fail=1; }
  # Symbols of the window layer's classes, and any Qt widget class it would call.
  inside=$(nm -C "$tool" | grep -E 'pelmar::(TSaveMegrForm|EnvelopeEdit|TBrowseForFolderDialog|DiscWriteDialog|HelpWindow|MessageBox|FileOpDialogs|MainForm|Send[A-Za-z]*(Window|Dialog))|reports::ReportPreviewWindow|\bQ(Widget|Dialog|MessageBox|ProgressDialog|Application)::' || true)
  if [ -n "$inside" ]; then
    echo "FAILED: window classes inside $name:"
    head -20 <<<"$inside"
    fail=1
  fi
done
exit $fail
