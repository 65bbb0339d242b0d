#!/usr/bin/env bash
# Installs every Debian package Orvantis needs to build, test and run.
# Idempotent: only missing packages are installed, and the package lists are
# refreshed once, only when something is missing.
#   scripts/install-deps.sh          build, test and run dependencies
#   scripts/install-deps.sh --bench  additionally the tools the benchmarks compare against
#   scripts/install-deps.sh --corpus additionally the tools that made tests/data (tools/corpus)
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build make pkg-config
  clang-14 libclang-rt-14-dev llvm-14
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth x11-utils imagemagick xdotool
  # the program as a Wayland client under a headless compositor
  weston qt6-wayland
  # image libraries
  libjpeg62-turbo-dev libpng-dev libtiff-dev libopenjp2-7-dev libwebp-dev libheif-dev libavif-dev zlib1g-dev
  libminizip-dev liblcms2-dev
  # user interface and fonts
  qt6-base-dev libgl-dev fontconfig fonts-liberation fonts-liberation2 fonts-dejavu-core
  # the faces texts fall back on for emoji (in colour) and Chinese, Japanese and Korean
  fonts-noto-color-emoji fonts-noto-cjk
  # install and package: the desktop metadata validators, the package's library dependencies,
  # the manual pages (made by python3 from the programs' --help; man checks them) and Debian's
  # package checker
  desktop-file-utils appstream dpkg-dev man-db lintian
  # the card file's media type as desktops see it: outside a desktop session xdg-mime asks
  # File::MimeInfo's mimetype (libfile-mimeinfo-perl), without it file(1), which knows no card
  shared-mime-info xdg-utils libfile-mimeinfo-perl file python3
)
case "${1:-}" in
  --bench) packages+=(imagemagick libjpeg-turbo-progs libheif-examples webp libvips-tools) ;;
  --corpus) packages+=(imagemagick graphicsmagick python3-pil libtiff-tools netpbm libopenjp2-tools icoutils
                      libjpeg-turbo-progs) ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "install-deps: installing ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo is available" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if ! "${sudo[@]}" apt-get update -qq; then
  echo "install-deps: apt-get update failed; cannot install ${missing[*]}" >&2
  exit 1
fi
if ! "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
  echo "install-deps: apt-get install failed for ${missing[*]}" >&2
  exit 1
fi
