#!/usr/bin/env bash
# Installs what the build needs and fetches JUCE 8.0.6 from Debian's source package.
# Idempotent: does nothing that is already done. Never changes the machine's apt setup.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="$root/.cache"
juce_version="8.0.6+ds-2"
juce_dir="$cache/juce-8.0.6+ds"

packages=(build-essential cmake ninja-build pkg-config dpkg-dev ccache
  libasound2-dev libjack-jackd2-dev libfreetype-dev libfontconfig1-dev
  libx11-dev libxcomposite-dev libxcursor-dev libxext-dev libxinerama-dev
  libxrandr-dev libxrender-dev libpng-dev libjpeg-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-apps imagemagick
  # clang with its sanitizer and libFuzzer runtimes; llvm brings llvm-symbolizer for readable reports
  clang libclang-rt-dev llvm)

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

install_packages() {
  local missing
  missing=$(missing_packages)
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages; run: sudo apt-get install -y $(echo $missing)" >&2
    exit 1
  fi
  apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
}

debian_archive_uri() {
  local uri=""
  if compgen -G "/etc/apt/sources.list.d/*.sources" >/dev/null; then
    uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/*.sources)
  fi
  if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
    uri=$(awk '$1 == "deb" && $0 !~ /security/ {for (i = 2; i <= NF; i++) if ($i ~ /^(https?|ftp|file):/) {print $i; exit}}' /etc/apt/sources.list)
  fi
  [ -n "$uri" ] || { echo "No Debian archive found in the apt sources" >&2; exit 1; }
  echo "$uri"
}

fetch_juce() {
  [ -f "$juce_dir/CMakeLists.txt" ] && return 0
  mkdir -p "$cache/lists/partial"
  echo "deb-src $(debian_archive_uri) trixie main" > "$cache/juce.list"
  local opts=(-o "Dir::Etc::sourcelist=$cache/juce.list" -o "Dir::Etc::sourceparts=-"
              -o "Dir::State::Lists=$cache/lists")
  apt-get "${opts[@]}" update -qq
  (cd "$cache" && apt-get "${opts[@]}" source -qq "juce=$juce_version")
  [ -f "$juce_dir/CMakeLists.txt" ] || { echo "JUCE source did not unpack into $juce_dir" >&2; exit 1; }
}

install_packages
fetch_juce
echo "$juce_dir"
