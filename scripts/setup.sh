# Sourced by run.sh and test.sh: installs the Debian packages the build needs when any is
# missing, then offers `configure_and_build <dir> <cmake args...>`.

TARVIX_PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  qtbase5-dev qtbase5-dev-tools libqt5svg5-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core poppler-utils srecord)

ensure_packages() {
  local missing=()
  for p in "${TARVIX_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build_jobs() {
  # TARVIX_JOBS limits the parallel build and test jobs (shared machines)
  echo "${TARVIX_JOBS:-$(nproc 2>/dev/null || echo 2)}"
}

configure_and_build() {
  local dir=$1; shift
  local target=${TARVIX_TARGET:-all}
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(build_jobs)" --target "$target"
}
