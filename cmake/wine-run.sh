#!/bin/sh
# Runs a cross-built Windows program under Wine: quietly (no debug chatter
# on standard error), without the Mono and Gecko set-up prompts, and in a
# 64-bit prefix of its own unless WINEPREFIX names one, so that a user's
# own Wine configuration plays no part. ZELVANOR_WINE names another wine.
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/zelvanor/wine64}
export WINEDEBUG WINEDLLOVERRIDES WINEPREFIX
wine=${ZELVANOR_WINE:-/usr/lib/wine/wine64}
wineserver=${ZELVANOR_WINESERVER:-$(dirname "$wine")/wineserver64}
mkdir -p "$WINEPREFIX"

# Wine's server and its background services (services.exe, winedevice.exe,
# explorer.exe) start with the first program and inherit its standard
# output. Started that way under ctest, they would hold the test's output
# pipe open until they end, and ctest waits for that. So they are started
# here with nothing of ours open, once, under a lock; the server then stays
# up for a few seconds after the last program, enough to carry a test run
# from one program to the next, and then ends with its services.
(
  flock 9
  # The lock's descriptor is not handed on: the server would keep it.
  if "$wineserver" -p10 </dev/null >/dev/null 2>&1 9>&-; then
    "$wine" wineboot </dev/null >/dev/null 2>&1 9>&-
  fi
) 9>"$WINEPREFIX/.zelvanor-start.lock"

exec "$wine" "$@"
