#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the demo need.
# Idempotent: does nothing (and prints nothing) when everything is there already.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config make
  # libraries
  libboost-dev libgtest-dev libgmock-dev libbenchmark-dev libgeos-dev
  libcli11-dev nlohmann-json3-dev
  # the desktop host and the windows (Qt 6 Widgets, XML, Test), screenshots under Xvfb
  qt6-base-dev qt6-base-dev-tools libgl-dev xvfb xauth
  # independent checks, benchmarks and the demo's picture
  python3 python3-ezdxf python3-shapely python3-numpy gdal-bin librsvg2-bin xz-utils
  poppler-utils
  # Chinese glyphs for the rendered profile pictures
  fonts-wqy-zenhei
  # formatting
  clang-format
)

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

SUDO=""
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "install-deps: missing packages (${missing[*]}) and not root; run this script as root" >&2
    exit 1
  fi
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
APT_OPTS=(-o DPkg::Lock::Timeout=300 -q -y)
$SUDO apt-get "${APT_OPTS[@]}" update >/dev/null
$SUDO apt-get "${APT_OPTS[@]}" install --no-install-recommends "${missing[@]}" >/dev/null
