# Shared by the start and test commands: packages, and a private Wine session.

# Debian packages that building and testing need.
# The 32-bit build (Windows 2000 and later) adds the i686 compiler with the
# win32 thread model and Wine's 32-bit loader from the i386 architecture.
# unicode-data holds the Unicode Character Database that the committed case
# tables are checked against.
TARNWICK_PACKAGES=(
  cmake make g++ googletest python3 clang libclang-rt-14-dev unicode-data
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32
  wine wine64 wine32:i386 fonts-wine fonts-liberation xvfb xclip xdotool x11-utils imagemagick
)

# True when a package of the list needs an architecture that dpkg lacks.
needs_i386_architecture() {
  local pkg
  for pkg in "$@"; do
    if [[ "$pkg" == *:i386 ]]; then
      dpkg --print-foreign-architectures | grep -qx i386 && return 1
      return 0
    fi
  done
  return 1
}

# Installs the missing packages when running as root; otherwise names them.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "${TARNWICK_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root to install them)" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if needs_i386_architecture "${missing[@]}"; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  # With recommends: Wine draws its text with the fonts it recommends.
  apt-get install -y -qq "${missing[@]}" >/dev/null
}

# A private X display, Wine prefix and home folder for this run, removed on
# exit or by stop_wine_session. The argument is the prefix's architecture:
# win64 (the default) or win32 for the 32-bit build. A shell has one session
# at a time; run_in_wine_session runs several side by side, each in a
# subshell with its own wineserver, display and Documents folder.
start_wine_session() {
  local arch=${1:-win64}
  [ -z "${TARNWICK_SESSION_DIR:-}" ] || stop_wine_session
  TARNWICK_SESSION_DIR=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-test.XXXXXX")
  export WINEPREFIX="$TARNWICK_SESSION_DIR/prefix"
  export WINEARCH=$arch
  mkdir -p "$WINEPREFIX" "$TARNWICK_SESSION_DIR/home"
  # The prefix's Documents folder follows HOME: each session writes its
  # error reports into a folder of its own, never into the user's.
  TARNWICK_HOME_BEFORE=$HOME
  export HOME="$TARNWICK_SESSION_DIR/home"
  export WINEDEBUG=-all
  # No Mono or Gecko installer prompts in a fresh prefix.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  start_private_display
  trap stop_wine_session EXIT
  # A persistent wineserver with its services started once: each test then
  # runs in about 0.1 s instead of waiting for the services to shut down.
  wineserver -p >/dev/null 2>&1 </dev/null
  wineboot -i >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  echo "Wine session ($arch): DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX"
}

stop_wine_session() {
  # Waits for the wineserver to end, so that no process of this prefix
  # outlives the removal of its folder.
  [ -n "${WINEPREFIX:-}" ] && { wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; } || true
  [ -n "${TARNWICK_XVFB_PID:-}" ] && kill "$TARNWICK_XVFB_PID" >/dev/null 2>&1 || true
  [ -n "${TARNWICK_SESSION_DIR:-}" ] && rm -rf "$TARNWICK_SESSION_DIR"
  [ -n "${TARNWICK_HOME_BEFORE:-}" ] && export HOME=$TARNWICK_HOME_BEFORE
  unset WINEPREFIX WINEARCH TARNWICK_XVFB_PID TARNWICK_SESSION_DIR TARNWICK_HOME_BEFORE
}

# Xvfb on the first free display number. Sessions that start at the same
# time take their numbers one after the other.
start_private_display() {
  local lock n i
  exec {lock}>"${TMPDIR:-/tmp}/tarnwick-display.lock"
  flock "$lock"
  for n in $(seq 70 199); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  TARNWICK_XVFB_PID=$!
  export DISPLAY=":$n"
  for i in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  flock -u "$lock"
  exec {lock}>&-
}

# run_in_wine_session ARCH COMMAND...: COMMAND inside a session of its own,
# in a subshell, so that it can run beside another session.
run_in_wine_session() {
  local arch=$1
  shift
  (
    unset TARNWICK_SESSION_DIR TARNWICK_XVFB_PID TARNWICK_HOME_BEFORE
    start_wine_session "$arch"
    "$@"
  )
}
