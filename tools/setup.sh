#!/usr/bin/env bash
# Installs what building and testing need, when it is missing (Debian or
# Ubuntu). Sourced by the other scripts; takes extra package names. Without
# root and without sudo it names the missing packages in one line and stops.
set -euo pipefail

qmx_install() {
  local wanted=(cmake make g++ libgtest-dev libcli11-dev nlohmann-json3-dev
                libpugixml-dev libpng-dev librsvg2-bin scdoc "$@")
  local missing=() pkg
  for pkg in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "Missing packages; as root, run: apt-get install ${missing[*]}" >&2
      return 1
    fi
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  # env, not an assignment before sudo: sudo resets the environment.
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
