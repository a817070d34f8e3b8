#!/usr/bin/env bash
# Installs the Debian packages Kadmer needs to build, test and run, when any
# is missing. As root it runs apt-get itself, otherwise through sudo; when
# neither is possible it prints the exact command to run and fails.
set -euo pipefail

packages=(
  cmake g++ pkg-config make
  qtbase5-dev libqt5opengl5-dev qttools5-dev qttools5-dev-tools qttranslations5-l10n
  libglu1-mesa-dev libgl1-mesa-dri
  libsdl1.2-compat-dev
  xvfb xauth xdotool
  libgtest-dev libbenchmark-dev
  fonts-dejavu-core
  clang libclang-rt-14-dev
  libgdal-dev libqt5charts5-dev libcli11-dev nlohmann-json3-dev
  slurm-wlm munge
  pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

line="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}"
echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sh -c "$line"
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  sudo sh -c "$line"
else
  echo "Cannot install packages (not root, no sudo). Run as root:" >&2
  echo "  $line" >&2
  exit 1
fi
