# Shared by the scripts: the Debian packages Kovrin needs and how they get installed.
# shellcheck shell=bash

KOVRIN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Build and test dependencies (Debian 12).
KOVRIN_PACKAGES=(
    cmake ninja-build g++ pkg-config git python3
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-translations-l10n # Qt's own texts (buttons, context menus) in Russian
    libpcre2-dev libpugixml-dev libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
    libssl-dev # TLS for https services (OpenSSL 3)
    fonts-dejavu-core xdg-utils
    clang libclang-rt-14-dev
    time strace desktop-file-utils # bench/cli_offers.py and bench/report; the install check
    scdoc                          # the manual pages
    clang-format                   # the layout check in the suite
    dbus-daemon                    # a private session bus for the desktop-notification tests
    libsqlite3-dev                 # the rate history store
)

# What runs the window without a desktop and photographs it: the demo, scripts/screenshot and bench/report use
# them; the suite does not, so CI does without them.
KOVRIN_DISPLAY_PACKAGES=(xvfb xauth x11-utils imagemagick)

# What the package stage of scripts/test needs beyond those: the checks of the .deb and what it installs.
KOVRIN_PACKAGE_CHECK_PACKAGES=(lintian appstream man-db)

# Installs whatever of "$@" is missing: with apt-get as root; otherwise prints the exact command and fails.
kovrin_install_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Run as root:" >&2
        echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
        return 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures and builds into $1 with the extra CMake arguments that follow.
kovrin_build() {
    local dir=$1
    shift
    cmake -S "$KOVRIN_ROOT" -B "$dir" -G Ninja "$@"
    cmake --build "$dir" -j "$(nproc)"
}
