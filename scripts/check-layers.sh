#!/usr/bin/env bash
# Layers point one way: app -> frame -> view -> backup -> store -> util. The framework's file layer
# (fw/) may be included from everywhere, its window layer (fw/win/) only from view, frame and app.
# Every #include "..." of the program's own headers is checked against the table below, and the
# folders below the window layer may not include the platform's window-only headers either.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder: the folders its files may include (besides the resource headers in res/).
declare -A allowed=(
    [fw]="fw"
    [fw/win]="fw/win fw"
    [util]="util fw"
    [store]="store util fw"
    [backup]="backup store util fw"
    [view]="view backup store util fw/win fw"
    [frame]="frame view backup store util fw/win fw"
    [app]="app frame view backup store util fw/win fw"
)
# Headers of the platform's window layer: common controls, common dialogs, help, message crackers.
window_headers='commctrl|commdlg|htmlhelp|windowsx'
window_free="fw util store backup"
resource_headers="resource.h string_ids.h toolbar.h"

status=0
for dir in "${!allowed[@]}"; do
    for file in "$dir"/*.h "$dir"/*.cpp; do
        [ -e "$file" ] || continue
        while IFS=: read -r line text; do
            inc=$(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/p' <<<"$text")
            [ -n "$inc" ] || continue
            case " $resource_headers " in *" $inc "*) continue ;; esac
            target=$(dirname "$inc")
            ok=0
            for a in ${allowed[$dir]}; do [ "$target" = "$a" ] && ok=1; done
            if [ "$ok" = 0 ]; then
                echo "$file:$line: $dir may not include $inc" >&2
                status=1
            fi
        done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
        case " $window_free " in
            *" $dir "*)
                if bad=$(grep -nE "#[[:space:]]*include[[:space:]]*<($window_headers)\\.h>" "$file"); then
                    echo "$file: window-layer header in $dir: $bad" >&2
                    status=1
                fi
                ;;
        esac
    done
done
# A folder of program code missing from the table would escape the check.
for dir in $(find . -name '*.cpp' -not -path './build*' -not -path './tests/*' -not -path './bench/*' -not -path './fuzz/*' \
             -not -path './.git/*' -printf '%h\n' | sed 's#^\./##' | sort -u); do
    if [ -z "${allowed[$dir]+x}" ]; then
        echo "$dir: program folder not in the layer table" >&2
        status=1
    fi
done
if [ "$status" = 0 ]; then echo "layers: every include points down"; fi
exit "$status"
