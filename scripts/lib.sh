# Sourced by the scripts in this folder, never run: the checkout's root, the
# one CMake configure step and the one Debian package install.
#
#   . "$(dirname "$0")/lib.sh"

# The checkout this file belongs to, whatever the caller's working directory.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Configures the project in BUILD_DIR from the checkout, compiling through
# ccache when it is installed; ARGS go to CMake as given. Prints only CMake's
# warnings and errors. CC and CXX choose the compilers of a new BUILD_DIR.
configure_build() { # configure_build BUILD_DIR [ARGS...]
  local build=$1 launcher
  shift
  launcher=$(command -v ccache || true)
  cmake -S "$root" -B "$build" ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER="$launcher"} "$@" >/dev/null
}

# Installs the Debian packages named, without recommended ones, through sudo
# unless run as root; with --no-prompt sudo fails rather than ask for a
# password. Returns nonzero when apt-get fails.
install_packages() { # install_packages [--no-prompt] PACKAGE...
  local sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
    [ "$1" = --no-prompt ] && sudo_cmd+=(-n)
  fi
  [ "$1" = --no-prompt ] && shift
  "${sudo_cmd[@]}" apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@"
}
