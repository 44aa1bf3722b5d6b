# Sourced by scripts/run and scripts/test: installs the Debian packages that
# are missing. A plain build needs the first list. The second is for running:
# the faces Qt falls back to for what a UTF-8 host writes and the coding face
# lacks (colour emoji, simplified Chinese, the kana past the code page's), and
# scripts/run's demo host and the end-to-end tests' Telnet daemon (Debian adds
# its telnet entry to inetd.conf switched off). The tests, the benchmark and
# the fuzz targets need the third as well, with OpenSSH's sshd and pam_wrapper
# for the SSH host the end-to-end tests start themselves (the machine's own
# sshd is kept off).
BREVANIX_BUILD_PACKAGES=(
  cmake ninja-build g++ pkg-config libgtest-dev libhangul-dev libssh-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-nanum fonts-nanum-coding fonts-dejavu-core
)
BREVANIX_RUN_PACKAGES=(
  inetutils-telnetd
  fonts-noto-color-emoji fonts-droid-fallback fonts-vlgothic
)
BREVANIX_TEST_PACKAGES=(
  xvfb xauth xdotool clang-format
  clang libclang-rt-dev libvterm-dev valgrind
  poppler-utils desktop-file-utils libglib2.0-bin locales vim
  nano mc htop dialog python3 libx11-6 libxtst6 libxdamage1
  openssh-server libpam-wrapper
)

# brevanix_install_deps PACKAGE...
brevanix_install_deps() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  # Installing openssh-server would start the machine's own sshd on port 22.
  # Debian's service unit, socket unit and init script all skip sshd while
  # this file exists (remove it to serve SSH from this machine); the tests
  # start theirs directly.
  if [[ " ${missing[*]} " == *" openssh-server "* ]]; then
    echo "Keeping the machine's sshd off: /etc/ssh/sshd_not_to_be_run"
    $sudo mkdir -p /etc/ssh
    $sudo touch /etc/ssh/sshd_not_to_be_run
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# brevanix_ensure_locale NAME: makes a locale the tests need (ko_KR.UTF-8 for
# the UTF-8 host, ko_KR.CP949 for the full-screen programs of the xterm level)
# when the system lacks it, from the locales package's sources.
brevanix_ensure_locale() {
  local want
  want="$(echo "$1" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8$/utf8/')"
  locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx "$want" && return 0
  echo "Generating the locale $1"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo localedef -i "${1%%.*}" -f "${1#*.}" "$1"
}
