# lib-wine.sh: what every script that runs Wine shares. Sourced, never run: set `prefix` first.
#   wine, server           64-bit Wine (the only one this kernel runs) and its server
#   quiet CMD...           CMD with no input and no output
#   wine_env               the environment Wine runs in here (WINEPREFIX and the rest), as env words
#   use_system_account     the Linux account "system", created when missing: Wine reports the Linux
#                          account's name, and only "SYSTEM" (any case) opens the dialer's window
#   as_system CMD...       CMD as that account in $prefix (with DISPLAY when the caller set wine_display)
#   prepare_prefix RUNNER SETTING...
#                          makes $prefix once (marked .zelta-ready) with RUNNER ("as_system" or
#                          "direct") and each SETTING: "null" (the null graphics driver: no display,
#                          still dialogs, timers and messages) or "x11-unmanaged" (no window manager,
#                          where Wine would wait 2 s on every hidden or destroyed window)
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
wine_display=${wine_display:-}

quiet() { "$@" </dev/null >/dev/null 2>&1; }

wine_env() {
  printf '%s\n' "WINEPREFIX=$prefix" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml="
  [[ -n "$wine_display" ]] && printf '%s\n' "DISPLAY=$wine_display"
  return 0
}

use_system_account() {
  if [[ $(id -u) -ne 0 ]]; then
    echo "$(basename "$0"): needs root to run Wine as the account 'system'"
    exit 1
  fi
  id system >/dev/null 2>&1 || useradd --create-home system
}

as_system() {
  local environment
  mapfile -t environment < <(wine_env)
  runuser -u system -- env HOME=/home/system "${environment[@]}" "$@"
}

direct() {
  local environment
  mapfile -t environment < <(wine_env)
  env "${environment[@]}" "$@"
}

prepare_prefix() {
  local run=$1 setting
  shift
  [[ -f "$prefix/.zelta-ready" ]] && return 0
  rm -rf "$prefix"
  mkdir -p "$prefix"
  [[ $run == as_system ]] && chown system: "$prefix"
  quiet "$run" "$wine" wineboot -i
  for setting in "$@"; do
    case $setting in
      null) quiet "$run" "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f ;;
      x11-unmanaged) quiet "$run" "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f ;;
      *) echo "prepare_prefix: unknown setting '$setting'" >&2; return 1 ;;
    esac
  done
  "$run" "$server" -w
  touch "$prefix/.zelta-ready"
}
