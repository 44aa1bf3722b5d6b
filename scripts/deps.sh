# Sourced by scripts/test and scripts/run: installs the Debian packages the
# build and the tests need when any is missing.
BREVANIX_PACKAGES=(
  cmake ninja-build g++ pkg-config libgtest-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-nanum fonts-nanum-coding fonts-dejavu-core
  xvfb xauth inetutils-telnetd
  clang libclang-rt-dev libvterm-dev valgrind
)

brevanix_install_deps() {
  local missing=() p
  for p in "${BREVANIX_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
