#!/usr/bin/env bash
# Installs what the Windows cross build and its tests under Wine need and
# the machine lacks (Debian or Ubuntu; needs root or sudo): MinGW-w64 with
# POSIX threads, Wine, and GoogleTest's sources to build for Windows.
set -euo pipefail

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest)
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
