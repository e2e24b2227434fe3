#!/usr/bin/env bash
# The system install and the Debian package: `cmake --install` into a
# temporary prefix gives the expected tree, the installed converter finds
# libtonekit.so through its run path and keeps its files in the XDG folders,
# and the .deb holds the same tree with dependencies that name the packages
# of every library loaded at run time.
# Usage: packaging_test.sh BUILD_DIR RUNTIME_PACKAGES...
set -euo pipefail
build=$1
shift
runtime_packages=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

expected_tree="bin/sonavert
bin/wavshift
lib/libsonavert-encode.so
lib/libtonekit.so
share/applications/sonavert.desktop
share/applications/wavshift.desktop
share/doc/sonavert/changelog.gz
share/doc/sonavert/copyright
share/doc/sonavert/sonavert-help.html
share/icons/hicolor/64x64/apps/sonavert.png
share/icons/hicolor/64x64/apps/wavshift.png"

# The system install.
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > /dev/null
tree=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
[ "$tree" = "$expected_tree" ] || fail "installed tree:"$'\n'"$tree"
for program in sonavert wavshift; do
  [ -x "$prefix/bin/$program" ] || fail "$program is not executable"
  readelf -d "$prefix/bin/$program" | grep -q 'RUNPATH.*\[\$ORIGIN/../lib\]' ||
    fail "$program has no run path to ../lib"
done
desktop-file-validate "$prefix"/share/applications/*.desktop || fail "desktop-file-validate"

# The installed converter starts, loads the installed library and keeps its
# settings and scratch file in the XDG folders, not beside itself.
home=$work/home
mkdir -p "$home"
loads=$(env -u LD_LIBRARY_PATH HOME="$home" XDG_CONFIG_HOME="$home/config" \
  XDG_CACHE_HOME="$home/cache" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy LD_DEBUG=files \
  timeout 120 "$prefix/bin/sonavert" --measure-startup 2>&1) ||
  fail "the installed sonavert did not start:"$'\n'"$(grep -v 'file=' <<< "$loads" | tail -5)"
grep -q "calling init: $prefix/bin/../lib/libtonekit.so" <<< "$loads" ||
  fail "the installed sonavert did not load $prefix/lib/libtonekit.so"
[ -f "$home/config/sonavert/settings.dat" ] || fail "no settings in XDG_CONFIG_HOME"
[ ! -e "$prefix/bin/settings.dat" ] && [ ! -e "$prefix/bin/temp.wav" ] ||
  fail "the installed sonavert wrote beside itself"

# The installer carries its payload: it does not need libtonekit.so itself.
! readelf -d "$build/bin/sonavert-setup" | grep -q 'NEEDED.*tonekit' ||
  fail "sonavert-setup links libtonekit.so"

# The package.
(cd "$build" && cpack -G DEB -B "$work/package" > "$work/cpack.log") ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/package/sonavert_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | sort)
[ "$contents" = "$expected_tree" ] || fail "package contents:"$'\n'"$contents"
depends=$(dpkg-deb -f "$deb" Depends)
for package in "${runtime_packages[@]}" libqt6widgets6; do
  grep -Eq "(^|, )$package( |,|$)" <<< "$depends" || fail "Depends lacks $package: $depends"
done
# Each named package ships the library libtonekit.so loads by name.
for pair in libavformat:libavformat.so libavcodec:libavcodec.so libavutil:libavutil.so \
            libswresample:libswresample.so libsdl2:libSDL2-2.0.so.0 libmp3lame0:libmp3lame.so.0; do
  stem=${pair%%:*} library=${pair#*:}
  package=$(printf '%s\n' "${runtime_packages[@]}" | grep "^$stem" | head -1)
  [ -n "$package" ] || fail "no package named for $stem"
  dpkg -L "$package" | grep -q "/$library" || fail "$package does not hold $library"
done
if command -v lintian > /dev/null; then
  lintian --tag-display-limit 0 "$deb" > "$work/lintian.log" 2>&1 || true
  if grep -q '^E:' "$work/lintian.log"; then cat "$work/lintian.log"; fail "lintian errors"; fi
fi
echo "packaging checks passed"
