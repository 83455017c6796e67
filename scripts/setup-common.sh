# Shared by scripts/run and scripts/test: install what is missing, then build.
# Sourced, not run; expects ROOT to be the checkout.

# help2man makes the man pages in every build; with bash-completion the completion's test
# runs it both with the package and without.
QUILLNET_PACKAGES=(cmake ninja-build g++ pkg-config qtbase5-dev libqt5svg5 qttranslations5-l10n libcpp-httplib-dev libcli11-dev fonts-dejavu-core git
                   help2man bash-completion)
# Only for scripts/test: what the Ansible collection's tests run (ansible-playbook,
# ansible-test, ansible-doc and pytest).
QUILLNET_TEST_PACKAGES=(ansible-core python3-pytest)
# Only for scripts/package: the package's tools and checkers.
QUILLNET_PACKAGE_PACKAGES=(dpkg-dev fakeroot lintian desktop-file-utils appstream curl)
# Only for scripts/fuzz: clang with its libFuzzer and sanitizer runtimes.
QUILLNET_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure DIR [cmake options...]
configure() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
}

# build DIR [cmake options...]: configures and builds everything.
build() {
    configure "$@"
    cmake --build "$1"
}
