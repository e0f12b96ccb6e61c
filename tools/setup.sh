#!/usr/bin/env bash
# Installs what building and testing need, when it is missing (Debian or
# Ubuntu). Sourced by the other scripts; takes extra package names. As root
# it installs them with apt-get; otherwise with sudo, when sudo can be used
# without a password or has a terminal to ask for one. Failing that, it
# names the missing packages in one line, with the command that installs
# them as root, and stops.
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
    local why=""
    if ! command -v sudo >/dev/null 2>&1; then
      why="no sudo here"
    elif ! sudo -n true 2>/dev/null && ! { true </dev/tty; } 2>/dev/null; then
      why="sudo needs a password and there is no terminal to ask for it"
    fi
    if [ -n "$why" ]; then
      echo "Missing packages ($why); as root, run:" \
        "apt-get update && apt-get install ${missing[*]}" >&2
      return 1
    fi
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  # env, not an assignment before sudo: sudo resets the environment.
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
}
