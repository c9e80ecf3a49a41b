#!/usr/bin/env bash
# Installs everything both builds and the tests need on a Debian 12 machine, and fetches the
# TinyXML source package that both plug-in builds compile. Idempotent: when everything is
# already present it only checks and returns.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine64 wine xvfb xauth
  libx11-dev libxext-dev libxtst-dev xdotool
  libgtest-dev libgmock-dev libbenchmark-dev
  libfreetype-dev fonts-liberation libpng-dev libsndfile1-dev
  clang libclang-rt-14-dev
  sox python3 python3-numpy
  lv2-dev liblilv-dev lilv-utils sordi
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# TinyXML from Debian's source package (its patches force TIXML_USE_STL). A private apt
# configuration with deb-src lines for the same hosts keeps the machine's own lists untouched.
src="$here/third_party/tinyxml"
if [ ! -f "$src/tinyxml.cpp" ]; then
  work="$here/third_party/.apt"
  mkdir -p "$work/lists/partial" "$here/third_party"
  : > "$work/sources.list"
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    case "$f" in
      *.list) grep -E '^deb ' "$f" | grep -E 'debian' | sed 's/^deb /deb-src /' >> "$work/sources.list" || true ;;
      *.sources)
        awk '/^URIs:/{u=$2} /^Suites:/{$1=""; s=$0} /^Components:/{$1=""; c=$0}
             /^$/{ if (u!="" && u ~ /debian/) { n=split(s,a," "); for(i=1;i<=n;i++) print "deb-src " u " " a[i] c }; u="";s="";c="" }
             END{ if (u!="" && u ~ /debian/) { n=split(s,a," "); for(i=1;i<=n;i++) print "deb-src " u " " a[i] c } }' "$f" >> "$work/sources.list" ;;
    esac
  done
  opts=(-o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=- -o Dir::State::Lists="$work/lists")
  apt-get "${opts[@]}" update -qq
  rm -rf "$work/src" && mkdir -p "$work/src"
  (cd "$work/src" && apt-get "${opts[@]}" source -qq tinyxml >/dev/null)
  dir=$(find "$work/src" -maxdepth 1 -type d -name 'tinyxml-*' | head -n 1)
  [ -n "$dir" ] || { echo "setup: tinyxml source package not found" >&2; exit 1; }
  rm -rf "$src" && mkdir -p "$src"
  cp "$dir"/tinyxml.h "$dir"/tinyxml.cpp "$dir"/tinystr.h "$dir"/tinystr.cpp \
     "$dir"/tinyxmlerror.cpp "$dir"/tinyxmlparser.cpp "$src"/
fi
echo "setup: dependencies ready"
