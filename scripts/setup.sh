#!/usr/bin/env bash
# Installs what the build needs on a Debian or Ubuntu machine and fetches cJSON's
# sources into the git-ignored cache. Safe to run again: it only does what is missing.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
          googletest libstb-dev wine wine64 xvfb xauth x11-utils imagemagick dpkg-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi

# cJSON from Debian's source package, fetched with a private source list so that
# the machine's apt configuration stays as it is.
if ! ls -d "$VANTOR_CACHE"/cjson/cjson-*/ >/dev/null 2>&1; then
  apt_dir="$VANTOR_CACHE/apt"
  mkdir -p "$apt_dir/lists/partial" "$VANTOR_CACHE/cjson"
  uri=http://deb.debian.org/debian suite=bookworm keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    u=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources)
    s=$(awk '/^Suites:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources)
    [ -n "$u" ] && uri=$u
    [ -n "$s" ] && suite=$s
  elif [ -f /etc/os-release ]; then
    s=$(. /etc/os-release; echo "${VERSION_CODENAME:-}")
    [ -n "$s" ] && suite=$s
  fi
  echo "deb-src [signed-by=$keyring] $uri $suite main" > "$apt_dir/sources.list"
  aptopts=(-q -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
           -o "Dir::State::Lists=$apt_dir/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
  apt-get "${aptopts[@]}" update >/dev/null
  (cd "$VANTOR_CACHE/cjson" && apt-get "${aptopts[@]}" source cjson >/dev/null 2>&1)
  ls -d "$VANTOR_CACHE"/cjson/cjson-*/ >/dev/null
fi
