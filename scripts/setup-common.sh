# Shared by scripts/run and scripts/test: installs what is missing, then configures and builds.
# Sourced, not run.

FLOWVIEWER_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian / Ubuntu packages the build, the tests and the viewer need.
FLOWVIEWER_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libspng-dev
    libdeflate-dev libhdf5-dev zlib1g-dev fonts-dejavu-core desktop-file-utils
    pybind11-dev python3-dev python3-numpy python3-pytest python3-setuptools python3-venv
    python3-pil libavcodec-dev libavformat-dev libswscale-dev libavutil-dev)

flowviewer_install_missing() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

# flowviewer_configure BUILD_DIR BUILD_TYPE [extra cmake arguments...]
flowviewer_configure() {
    local dir=$1 type=$2
    shift 2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$FLOWVIEWER_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE="$type" "$@"
    fi
}

# flowviewer_build BUILD_DIR BUILD_TYPE [extra cmake arguments...]: everything, tests included.
flowviewer_build() {
    flowviewer_configure "$@"
    cmake --build "$1" --parallel "$(nproc)"
}
