# Sourced by the scripts that run our programs under Wine: one pinned
# environment, so a test sees the same Windows on every machine.
# ZINTU_WINEPREFIX names the prefix; it is never the user's ~/.wine.
export WINEPREFIX=${ZINTU_WINEPREFIX:?ZINTU_WINEPREFIX must name a Wine prefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No mono or gecko prompts: nothing here needs .NET or the HTML control.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}"mscoree,mshtml="
export TZ=${ZINTU_TZ:-UTC}
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# Makes the prefix once (serialised, since tests start in parallel).
zintu_wine_prefix() {
  [ -f "$WINEPREFIX/.zintu-ready" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ -f "$WINEPREFIX/.zintu-ready" ] && exit 0
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
    # Keep Wine from drawing its own desktop window or asking for a display driver.
    wineserver -w
    touch "$WINEPREFIX/.zintu-ready"
  ) 9>"$WINEPREFIX.lock"
}
