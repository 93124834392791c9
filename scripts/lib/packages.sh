# Finds the Debian packages a script lacks and, run as root, installs them.
# Sourced by scripts/demo and scripts/test, which set ROOT to the checkout.
#
# A requirement is "<package(s)>|<what must exist>": a path is tested with
# -e, "wine" asks tools/tarnwick_test/wine_env.py (Wine's binaries are not on PATH), and
# any other name is a command looked up on PATH.

have() {
  case "$1" in
    wine) command -v python3 >/dev/null 2>&1 &&
      python3 "$ROOT/tools/tarnwick_test/wine_env.py" check >/dev/null 2>&1 ;;
    /*) [ -e "$1" ] ;;
    *) command -v "$1" >/dev/null 2>&1 ;;
  esac
}

# missing_packages <requirement>...: the packages of the unmet ones, a line each.
missing_packages() {
  local entry
  for entry in "$@"; do
    have "${entry#*|}" || echo "${entry%%|*}"
  done
}

# install_missing <log> <requirement>...: installs the packages of the unmet
# requirements with apt-get when run as root, and says what it does. Fails
# (after naming the packages) when something is still missing.
install_missing() {
  local log=$1 missing
  shift
  missing=$(missing_packages "$@" | tr '\n' ' ')
  missing=${missing% }
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null 2>&1; then
    echo "missing Debian packages: $missing"
    echo "  install them as root: apt-get install $missing"
    return 1
  fi
  echo "installing: $missing (log: $log)"
  export DEBIAN_FRONTEND=noninteractive
  if ! apt-get update -qq </dev/null >"$log" 2>&1; then
    echo "apt-get update failed; the end of $log:"
    tail -n 10 "$log" | sed 's/^/   | /'
  fi
  # shellcheck disable=SC2086  # one word per package
  if ! apt-get install -y -qq -o DPkg::Lock::Timeout=300 --no-install-recommends $missing \
      </dev/null >>"$log" 2>&1; then
    echo "apt-get install failed; the end of $log:"
    tail -n 20 "$log" | sed 's/^/   | /'
  fi
  missing=$(missing_packages "$@" | tr '\n' ' ')
  missing=${missing% }
  if [ -n "$missing" ]; then
    echo "still missing after installing: $missing"
    return 1
  fi
  return 0
}
