# Shared by run.sh, test.sh and bench/run.sh: installs the Debian packages the
# build needs when they are missing (apt-get update runs only then).

SORVANE_PACKAGES=(
    g++ cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libutf8proc-dev qt6-base-dev libjpeg62-turbo-dev xdg-utils
    libarchive-dev libmspack-dev
)
# Needed by the tests only (./test.sh): zlib is the reference the inflate tests
# compare with; zip and gzip make the members over 4 GiB at test time;
# clang-format checks the sources keep the project's format.
SORVANE_TEST_PACKAGES=(zlib1g-dev zip gzip clang-format)

sorvane_missing_packages() {
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || echo "$pkg"
    done
}

sorvane_ensure_packages() {
    local missing
    missing=$(sorvane_missing_packages "${SORVANE_PACKAGES[@]}" "$@")
    [ -z "$missing" ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: $missing" >&2
    $sudo apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

# The target run.sh builds: the program, which depends on its extraction
# modules and copies the language files beside itself; no test, benchmark,
# fuzz replay or tool.
SORVANE_PROGRAM_TARGET=sorvane

# sorvane_build_program DIR [build-tool options...]: builds only what the
# program needs to start; options after DIR go to the build tool (ninja).
sorvane_build_program() {
    local dir=$1
    shift
    cmake --build "$dir" --target "$SORVANE_PROGRAM_TARGET" -j "$(nproc)" -- "$@"
}

# sorvane_configure DIR [cmake options...]: configures a build folder once.
sorvane_configure() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}
