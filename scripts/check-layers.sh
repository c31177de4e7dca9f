#!/usr/bin/env bash
# The core (helpers, store, backup, external repositories, framework file layer) never includes
# window-layer headers, so it stays testable without windows.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=$(grep -nE '#include *[<"](commctrl|commdlg|htmlhelp)\.h|#include *"(frame/|app/|view/BrennaView)' \
      util/*.cpp util/*.h store/*.cpp store/*.h backup/BrnFile.* backup/BrnDataFile.* \
      backup/BackupRun.* \
      view/RowModel.* view/ViewState.* view/IconKey.* 2>/dev/null || true)
if [ -n "$bad" ]; then
    echo "Window-layer headers included by core code:" >&2
    echo "$bad" >&2
    exit 1
fi
