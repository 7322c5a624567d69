#!/bin/sh
# Runs a cross-built Windows program under Wine: quietly (no debug chatter
# on standard error), without the Mono and Gecko set-up prompts, and in a
# 64-bit prefix of its own unless WINEPREFIX names one, so that a user's
# own Wine configuration plays no part. ZELVANOR_WINE names another wine.
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/zelvanor/wine64}
export WINEDEBUG WINEDLLOVERRIDES WINEPREFIX
mkdir -p "$WINEPREFIX"
exec "${ZELVANOR_WINE:-/usr/lib/wine/wine64}" "$@"
