#!/usr/bin/env bash
# Installs the Debian packages that build, test and demo Q4 Config (the one
# package list of the project: the build packages below and the packages of the
# outside tools in scripts/tools.list), then proves that every outside tool
# really works. Installs nothing when everything is present.
#
#   scripts/deps.sh                  install what is missing, then check every tool
#   scripts/deps.sh --qt6            the same with the Qt 6 packages instead of Qt 5's
#   scripts/deps.sh --check NAME...  only check the named tools of tools.list
#
# A tool that does not work ends the script with one line per tool:
#   required tool "NAME" does not work (CHECK): install the Debian package PACKAGE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
TOOLS=${Q4_TOOLS_LIST:-$here/tools.list}

BUILD_PACKAGES=(
  cmake g++ make pkg-config
  libzip-dev zipcmp zipmerge ziptool   # libzip's CMake files need the three tools
  libgit2-dev                          # the configuration history
  python3                              # the build checks the includes between the layers
  fonts-dejavu-core
)
# Qt 5.15, the default build.
QT5_PACKAGES=(
  qtbase5-dev qtbase5-dev-tools libqt5serialbus5-dev libqt5serialport5-dev
  libqt5charts5-dev qttools5-dev-tools qttools5-dev libqt5svg5-dev
)
# Qt 6 (-DQ4_QT_MAJOR=6, scripts/test.sh --qt6). Qt 6 Charts' CMake files need
# those of Qt6OpenGL, which qt6-base-dev only recommends (libqt6opengl6-dev).
QT6_PACKAGES=(
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  qt6-serialbus-dev qt6-serialport-dev qt6-charts-dev qt6-svg-dev
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
)

# NAME PACKAGE NEEDS CHECK, one tool a line.
tool_lines() {
  grep -v -e '^[[:space:]]*#' -e '^[[:space:]]*$' "$TOOLS"
}

declare -A TOOL_PACKAGE TOOL_NEEDS TOOL_CHECK TOOL_STATE
TOOL_ORDER=()
while read -r name pkg needs check; do
  TOOL_PACKAGE[$name]=$pkg
  TOOL_NEEDS[$name]=$needs
  TOOL_CHECK[$name]=$check
  TOOL_ORDER+=("$name")
done < <(tool_lines)

# Checks one tool after the tools it needs, once. Prints the one line for the
# first thing that does not work; a tool whose needs failed says nothing more.
check_tool() {
  local name=$1 need
  case "${TOOL_STATE[$name]:-}" in ok) return 0 ;; failed) return 1 ;; esac
  if [ -z "${TOOL_PACKAGE[$name]:-}" ]; then
    echo "required tool \"$name\" is not listed in $TOOLS" >&2
    TOOL_STATE[$name]=failed
    return 1
  fi
  if [ "${TOOL_NEEDS[$name]}" != "-" ]; then
    for need in ${TOOL_NEEDS[$name]//,/ }; do
      if ! check_tool "$need"; then
        TOOL_STATE[$name]=failed
        return 1
      fi
    done
  fi
  if sh -c "${TOOL_CHECK[$name]}" >/dev/null 2>&1 </dev/null; then
    TOOL_STATE[$name]=ok
    return 0
  fi
  echo "required tool \"$name\" does not work (${TOOL_CHECK[$name]}): install the Debian package ${TOOL_PACKAGE[$name]}" >&2
  TOOL_STATE[$name]=failed
  return 1
}

# The named tools, or every tool when none is named.
check_tools() {
  local failed=0 name
  [ $# -gt 0 ] || set -- "${TOOL_ORDER[@]}"
  for name in "$@"; do
    check_tool "$name" || failed=1
  done
  return $failed
}

if [ "${1:-}" = "--check" ]; then
  shift
  check_tools "$@"
  exit
fi
QT_PACKAGES=("${QT5_PACKAGES[@]}")
if [ "${1:-}" = "--qt6" ]; then
  QT_PACKAGES=("${QT6_PACKAGES[@]}")
  shift
fi
if [ $# -gt 0 ]; then
  echo "usage: scripts/deps.sh [--qt6 | --check NAME...]" >&2
  exit 2
fi

missing=()
for p in "${BUILD_PACKAGES[@]}" "${QT_PACKAGES[@]}" $(printf '%s\n' "${TOOL_PACKAGE[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# An installed package is not yet a working tool (a module may need a package
# that is only recommended): try each one.
check_tools
