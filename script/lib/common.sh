# Shared by the scripts: paths, the private Wine prefix and the virtual display. Source it; do not run it.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${VELTRANO_BUILD:-$ROOT/build}
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

log() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

configure_and_build() { # dir, targets (space-separated, empty for all), extra cmake args...
  local dir=$1 targets=$2
  shift 2
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  fi
  # shellcheck disable=SC2086
  ninja -C "$dir" $targets >&2
}

build_windows() { # optional: the targets to build (default: the exe and every Windows test)
  log "building the Windows executable${1:+ ($1)}"
  configure_and_build "$BUILD/win" "${1:-}" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release
}

# Writes dist/veltrano-<version>-win64.zip from the Release exe of build_windows (which must have run): the exe,
# the read-me for Windows users with CRLF line ends, and SHA256SUMS of both; the zip's own sum lies beside it.
build_package() {
  local version stage zip
  version=$(cat "$BUILD/win/version.txt")
  log "packaging veltrano $version"
  stage=$(mktemp -d)
  cp "$BUILD/win/veltrano.exe" "$stage/veltrano.exe"
  sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$ROOT/res/readme-windows.txt" >"$stage/README.txt"
  (cd "$stage" && sha256sum veltrano.exe README.txt >SHA256SUMS)
  mkdir -p "$ROOT/dist"
  zip="$ROOT/dist/veltrano-$version-win64.zip"
  python3 - "$zip" "$stage" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1] + ".tmp", "w", zipfile.ZIP_DEFLATED) as package:
    for name in ("veltrano.exe", "README.txt", "SHA256SUMS"):
        package.write(os.path.join(sys.argv[2], name), name)
os.replace(sys.argv[1] + ".tmp", sys.argv[1])
PY
  rm -rf "$stage"
  (cd "$ROOT/dist" && sha256sum "$(basename "$zip")" >"$(basename "$zip").sha256")
  echo "$zip"
}

# The same exe and Windows tests from Clang: its warnings, and the compile database clang-tidy reads.
build_windows_clang() {
  log "building the Windows executable and tests with Clang"
  configure_and_build "$BUILD/win-clang" "" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/clang-mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release
}

build_native() {
  log "building the native unit tests and fuzzers"
  configure_and_build "$BUILD/native" "" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DVELTRANO_WIN_BUILD_DIR="$BUILD/win"
}

# Starts Xvfb with a window manager on a free display unless one is given; exports DISPLAY.
start_display() { # optional: the screen's size, WIDTHxHEIGHT (1280x800)
  if [ -n "${VELTRANO_KEEP_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then return; fi
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${1:-1280x800}x24" -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
  # Wine waits two seconds for every window it hides when no window manager answers.
  openbox --sm-disable >/dev/null 2>&1 &
  WM_PID=$!
  sleep 0.3
}

stop_display() {
  [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  WM_PID= XVFB_PID=
}

# Creates the private prefix once, with the UI font mapped to an installed CJK font and, when given, a screen DPI
# other than 96. Menus and message boxes draw in the system font (Tahoma here): Chinese reaches it through a font
# link, as on a Chinese Windows, so screenshots show what users see rather than boxes.
prepare_prefix() { # optional: the DPI
  if [ ! -f "$WINEPREFIX/.veltrano-ready-2" ]; then
    log "preparing the Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Microsoft YaHei UI' /t REG_SZ \
      /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
    if [ -n "${1:-}" ]; then
      wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    fi
    wineserver -w
    touch "$WINEPREFIX/.veltrano-ready-2"
  fi
  # A persistent server makes every later wine start quick.
  wineserver -p >/dev/null 2>&1 || true
  keep_desktop_open
  # The first program of a session starts the desktop and the services, which inherit its standard streams and
  # keep them open for as long as the server lives: CTest would wait on them until its time-out. Start them here,
  # detached from every stream.
  timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Wine closes the desktop, and with it the taskbar's tray, a second after the last program of the prefix ends, and
# starts both again for the next one: a program that starts in between finds no tray, and may see its first window
# fail. Tests start one program after another, so a program that waits for ever on a pipe nobody writes to keeps the
# desktop open until the server ends. Opened for reading and writing, the pipe never reaches its end.
keep_desktop_open() {
  local pipe=$WINEPREFIX/keep-desktop-open
  [ -p "$pipe" ] || { rm -f "$pipe"; mkfifo "$pipe"; }
  if ! find /proc/[0-9]*/fd -lname "$pipe" 2>/dev/null | grep -q .; then
    (setsid wine cmd /k <>"$pipe" >/dev/null 2>&1 &)
  fi
}

stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
