# Sourced by run.sh and test.sh: installs the Debian packages that are missing, and only those.

missing_packages() {
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || echo "$pkg"
    done
}

ensure_packages() {
    local missing
    missing=$(missing_packages "$@")
    [ -z "$missing" ] && return 0
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null 2>&1 || {
            echo "Missing packages: $missing. Install them as root (apt-get install $missing)." >&2
            return 1
        }
        sudo="sudo"
    fi
    echo "Installing: $missing" >&2
    # shellcheck disable=SC2086
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
}

BUILD_PACKAGES="g++ make cmake pkg-config libsdl1.2-dev libsdl-image1.2-dev libpng-dev libcli11-dev nlohmann-json3-dev libwebp-dev libgif-dev libjpeg-dev libvips-dev"
# The browser check of SVGs, in the full test run only (a large download).
FULL_PACKAGES="chromium"
TEST_PACKAGES="libgtest-dev libbenchmark-dev libheif-dev xvfb xdotool x11-utils libxml2-utils librsvg2-bin libjpeg-turbo-progs python3"
