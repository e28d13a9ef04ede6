# Sourceable: a headless Wine prefix for our x86-64 Windows programs.
#
#   . scripts/wine-prefix.sh
#   mr_wine_prefix                      # create once, then reuse the cached one
#   MR_WINE_OUT=run.out mr_wine prog.exe args...
#   mr_wine_stop                        # stops this prefix's wineserver only
#
# MR_WINEPREFIX chooses the prefix (default: ~/.cache/melodyribbon/wine-prefix).
# One wineserver serves one prefix, so two runs must never share a prefix at
# the same time; mr_wine_lock takes a lock for the caller's whole run.

MR_WINEPREFIX=${MR_WINEPREFIX:-$HOME/.cache/melodyribbon/wine-prefix}
MR_WINE=${MR_WINE:-/usr/lib/wine/wine64}
MR_WINESERVER=${MR_WINESERVER:-/usr/lib/wine/wineserver}

# Wine's helper processes inherit the first program's standard output, so a
# shell reading it through a pipe could wait for them: everything goes to files.
mr_wine_prefix() {
    if [ -f "$MR_WINEPREFIX/.mr-ready" ]; then
        return 0
    fi
    mkdir -p "$MR_WINEPREFIX" || return 1
    local log="$MR_WINEPREFIX/.mr-wineboot.log"
    echo "wine: creating prefix $MR_WINEPREFIX" >&2
    # No display here: the null graphics driver still lets programs create
    # top-level windows, find them and exchange messages.
    WINEPREFIX="$MR_WINEPREFIX" WINEDEBUG=-all "$MR_WINE" wineboot -i >"$log" 2>&1 &&
        WINEPREFIX="$MR_WINEPREFIX" WINEDEBUG=-all "$MR_WINE" reg add \
            'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >>"$log" 2>&1 &&
        WINEPREFIX="$MR_WINEPREFIX" "$MR_WINESERVER" -w || {
        echo "wine: prefix creation failed, see $log" >&2
        return 1
    }
    touch "$MR_WINEPREFIX/.mr-ready"
}

# Holds an exclusive lock on the prefix until the calling shell exits.
mr_wine_lock() {
    exec 9>"$MR_WINEPREFIX.lock" || return 1
    if ! flock -n 9; then
        echo "wine: waiting for another run on $MR_WINEPREFIX" >&2
        flock 9
    fi
}

# mr_wine <exe> <args...>: runs in the current directory; standard output goes
# to $MR_WINE_OUT (default <prefix>/.mr-last.out), standard error to
# $MR_WINE_ERR (default the same file plus .err).  A run is stopped after
# $MR_WINE_TIMEOUT seconds (default 300).  Returns the program's exit code.
mr_wine() {
    local out=${MR_WINE_OUT:-$MR_WINEPREFIX/.mr-last.out}
    local err=${MR_WINE_ERR:-$out.err}
    # The locale goes through env: bash itself would try to switch to a
    # locale this machine may not have, and warn.  Wine only reads the name.
    env WINEPREFIX="$MR_WINEPREFIX" WINEDEBUG="${WINEDEBUG:--all}" \
        ${MR_WINE_LANG:+LANG="$MR_WINE_LANG" LC_ALL="$MR_WINE_LANG"} \
        timeout --kill-after=10 "${MR_WINE_TIMEOUT:-300}" "$MR_WINE" "$@" \
        >"$out" 2>"$err" </dev/null
}

mr_wine_stop() {
    WINEPREFIX="$MR_WINEPREFIX" "$MR_WINESERVER" -k >/dev/null 2>&1
    WINEPREFIX="$MR_WINEPREFIX" "$MR_WINESERVER" -w >/dev/null 2>&1
    return 0
}
