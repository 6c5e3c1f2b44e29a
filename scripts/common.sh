# Shared by scripts/run and scripts/test: install what is missing, then configure and build.
# Sourced, not run.

ONDRAVIK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ONDRAVIK_BUILD="${ONDRAVIK_BUILD:-$ONDRAVIK_ROOT/build}"

# Everything the build, the program and the tests need, from Debian's archive.
ONDRAVIK_PACKAGES=(
  g++ cmake ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev fonts-dejavu-core
  libxcb1-dev  # the window manager's stacking of the program's windows, read on X11
  libreadstat-dev  # reads and writes the statistics-package .sav files
  locales  # locale sources, so the tests can check number handling under a German locale
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

ensure_packages() {
  local missing=()
  local p
  for p in "${ONDRAVIK_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

configure() {
  cmake -S "$ONDRAVIK_ROOT" -B "$ONDRAVIK_BUILD" -G Ninja "$@"
}

build_all() {
  configure "$@"
  cmake --build "$ONDRAVIK_BUILD" -j "$(nproc)"
}

# The program and the data files it reads from its own folder; no test or benchmark.
build_program() {
  configure "$@"
  cmake --build "$ONDRAVIK_BUILD" -j "$(nproc)" --target ondravik3d
}

# Qt wants a private runtime directory; give it one so that it does not complain. The same
# one on every run (as Qt's own fallback), so that a second copy of the program finds the
# first one's single-instance socket there; a fresh one where that name is not private.
private_runtime_dir() {
  if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    local dir="${TMPDIR:-/tmp}/runtime-$(id -un)"
    mkdir -m 700 -p "$dir" 2>/dev/null || true
    if [ ! -d "$dir" ] || [ -L "$dir" ] || [ ! -O "$dir" ] || [ "$(stat -c %a "$dir")" != 700 ]; then
      dir="$(mktemp -d)"
      chmod 700 "$dir"
    fi
    XDG_RUNTIME_DIR="$dir"
    export XDG_RUNTIME_DIR
  fi
}
