# Sourced by the run and test scripts: a display, a Wine prefix and a persistent wineserver.
# wine_env_start PREFIX starts what is missing and remembers it; wine_env_stop ends only that.

export WINEDEBUG=${WINEDEBUG:--all}
# Keeps Wine from writing menu entries and .desktop files into the real home folder.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}

_started_xvfb=""
_started_wineserver=""

wine_env_start() {
    export WINEPREFIX="$1"
    if [ -z "${DISPLAY:-}" ]; then
        local n=91
        while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
        Xvfb ":${n}" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
        _started_xvfb=$!
        export DISPLAY=":${n}"
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${n}" ] && break; sleep 0.1; done
    fi
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1 || true
        # A virtual desktop stands in for the window manager Xvfb lacks.
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x900 /f >/dev/null 2>&1
        wineserver -w
        # The user's folders must be the prefix's own, not links into $HOME.
        local u d
        for u in "$WINEPREFIX"/drive_c/users/*/; do
            for d in Desktop Documents Downloads Music Pictures Videos Templates; do
                if [ -L "$u$d" ]; then rm -f "$u$d"; mkdir -p "$u$d"; fi
            done
        done
    fi
    # A persistent server keeps each Wine process start at a few hundredths of a second.
    (nohup wineserver -p >/dev/null 2>&1 &)
    _started_wineserver=1
    # Start Wine's background services now, with no pipe to inherit: a service started later
    # by a test would hold the pipe a test runner reads, and the runner would wait on it.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_env_stop() {
    if [ -n "$_started_wineserver" ]; then wineserver -k >/dev/null 2>&1 || true; fi
    if [ -n "$_started_xvfb" ]; then kill "$_started_xvfb" 2>/dev/null || true; fi
    _started_wineserver=""
    _started_xvfb=""
}
