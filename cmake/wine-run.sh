#!/bin/sh
# Runs a cross-built Windows program under Wine without Wine's debug
# chatter on standard error. ZELVANOR_WINE names another wine binary.
WINEDEBUG=-all
export WINEDEBUG
exec "${ZELVANOR_WINE:-/usr/lib/wine/wine64}" "$@"
