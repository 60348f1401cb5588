#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Further package names given as arguments are installed the same way.
set -euo pipefail
packages=("$@"
          cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-charts-dev libgtest-dev
          libqt6serialport6 libqt6charts6 qt6-qpa-plugins qt6-translations-l10n fonts-dejavu-core
          dpkg-dev file lintian)  # the Debian package: cpack with dpkg-shlibdeps, and its check
if [ "${NUVAR_FUZZ:-0}" = 1 ]; then packages+=(clang libclang-rt-14-dev); fi
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installiere fehlende Pakete: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi
