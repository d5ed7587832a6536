# Sourced by the scripts that run our programs under Wine: one pinned
# environment, so a test sees the same Windows on every machine.
# ZINTU_WINEPREFIX names the prefix; it is never the user's ~/.wine.
# ZINTU_RUN_ARCH (i686 or x86_64, see tools/arch.sh) picks the loader.
export WINEPREFIX=${ZINTU_WINEPREFIX:?ZINTU_WINEPREFIX must name a Wine prefix}
case ${ZINTU_RUN_ARCH:-i686} in
  i686)
    export WINEARCH=win32
    zintu_wine_loader=/usr/lib/wine/wine
    ;;
  x86_64)
    # Debian's wine script prefers the 32-bit loader; call the 64-bit one
    # directly, and make Wine's own helpers (wineboot...) use it too.
    export WINEARCH=win64
    zintu_wine_loader=/usr/lib/wine/wine64
    ;;
esac
export WINELOADER=$zintu_wine_loader
export WINEDEBUG=${WINEDEBUG:--all}
# No mono or gecko prompts: nothing here needs .NET or the HTML control.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}"mscoree,mshtml="
export TZ=${ZINTU_TZ:-UTC}
export LANG=C.UTF-8 LC_ALL=C.UTF-8

zintu_wine() { "$zintu_wine_loader" "$@"; }

# Makes the prefix once (serialised, since tests start in parallel).
zintu_wine_prefix() {
  [ -f "$WINEPREFIX/.zintu-ready" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ -f "$WINEPREFIX/.zintu-ready" ] && exit 0
    rm -rf "$WINEPREFIX"
    if ! zintu_wine wineboot -i >"$WINEPREFIX.log" 2>&1; then
      echo "wine-env.sh: could not make the Wine prefix $WINEPREFIX with $zintu_wine_loader:" >&2
      cat "$WINEPREFIX.log" >&2
      exit 1
    fi
    zintu_wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
    # The fonts pages name most, served by metric-compatible families that
    # are the same on every machine, so text measures alike everywhere.
    local key='HKCU\Software\Wine\Fonts\Replacements'
    zintu_wine reg add "$key" /v 'Times New Roman' /d 'Liberation Serif' /f >/dev/null 2>&1
    zintu_wine reg add "$key" /v 'Arial' /d 'Liberation Sans' /f >/dev/null 2>&1
    zintu_wine reg add "$key" /v 'Courier New' /d 'Liberation Mono' /f >/dev/null 2>&1
    # Title-bar and scroll-bar glyphs come from Marlett, which this Wine
    # does not find in its data folder; the prefix's own font folder is read.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    wineserver -w
    touch "$WINEPREFIX/.zintu-ready"
  ) 9>"$WINEPREFIX.lock"
}
