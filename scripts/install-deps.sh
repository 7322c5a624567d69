#!/usr/bin/env bash
# Installs what building and testing Zelvanor needs and the machine lacks
# (Debian or Ubuntu; needs root or sudo). Does nothing when all is there.
set -euo pipefail

# dpkg-dev (dpkg-shlibdeps), lintian and groff-base serve the package tests.
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libsndfile1-dev
          dpkg-dev lintian groff-base)
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
