#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# One entry point for a fresh Debian 12 machine:
#   ./build.sh run    install what is missing, build, start the desktop program
#   ./build.sh test   install what is missing, build, run every test
#   ./build.sh deps   only install what is missing
#   ./build.sh asan   build with AddressSanitizer + UBSan and run every layer's tests
#   ./build.sh tsan   build with ThreadSanitizer and run the tests of the code that works on two threads
#   ./build.sh coverage  build with gcov, run every test, print line coverage per folder
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    libqpdf-dev qpdf libssl-dev
    qt6-base-dev qt6-svg-dev qt6-pdf-dev libgl-dev fonts-dejavu-core
    libgtest-dev libgmock-dev
    poppler-utils libexempi-dev libimage-exiftool-perl
    nlohmann-json3-dev
    python3 git clang-format
)

install_deps()
{
    tools/install-packages.sh "${PACKAGES[@]}"
}

jobs()
{
    nproc 2>/dev/null || echo 2
}

build()
{
    local preset=$1
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(jobs)"
}

case "${1:-}" in
run)
    install_deps
    build default
    shift
    exec ./build/quire-binder "$@"
    ;;
test)
    install_deps
    build default
    ctest --test-dir build --output-on-failure -j "$(jobs)"
    ;;
asan)
    install_deps
    build asan
    ctest --preset asan -j "$(jobs)"
    ;;
tsan)
    install_deps
    cmake --preset tsan >/dev/null
    cmake --build --preset tsan -j "$(jobs)" --target quire_engine_tests quire_controls_tests quire_app_tests
    ctest --preset tsan -j "$(jobs)"
    ;;
coverage)
    install_deps
    tools/install-packages.sh gcovr
    build coverage
    find build-coverage -name '*.gcda' -delete
    # The summary is printed even when a test fails, and the failure is still the exit status.
    status=0
    ctest --preset coverage -j "$(jobs)" || status=$?
    tools/coverage-summary build-coverage
    exit "$status"
    ;;
deps)
    install_deps
    ;;
*)
    echo "usage: $0 run|test|asan|tsan|coverage|deps" >&2
    exit 2
    ;;
esac
