#!/usr/bin/env bash
# The system install and the Debian package: `cmake --install` into a
# temporary prefix gives the expected tree (the library private to the
# programs, hardened), the installed converter finds libtonekit.so through its
# run path, keeps its files in the XDG folders and writes no desktop launcher,
# its batch converter works for a new user, and the .deb holds the same tree
# with dependencies that name the packages of every library loaded at run time
# and none of the lintian warnings the layout is meant to avoid.
# Usage: packaging_test.sh BUILD_DIR RUNTIME_PACKAGES...
set -euo pipefail
export LC_ALL=C
build=$1
shift
runtime_packages=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

expected_tree=$(printf '%s\n' bin/{sonavert,wavshift} lib/sonavert/{libtonekit.so,libsonavert-encode.so} \
  share/applications/{sonavert,wavshift}.desktop share/bash-completion/completions/sonavert \
  share/doc/sonavert/{changelog.gz,copyright,sonavert-help.html} share/lintian/overrides/sonavert \
  share/man/man1/{sonavert,wavshift}.1.gz share/metainfo/org.sonavert.Sonavert.metainfo.xml \
  share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/{sonavert,wavshift}.png \
  share/icons/hicolor/scalable/apps/{sonavert,wavshift}.svg | sort)

# The system install.
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > /dev/null
tree=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
[ "$tree" = "$expected_tree" ] || fail "installed tree:"$'\n'"$tree"
for program in sonavert wavshift; do
  [ -x "$prefix/bin/$program" ] || fail "$program is not executable"
  readelf -d "$prefix/bin/$program" | grep -q 'RUNPATH.*\[\$ORIGIN/../lib/sonavert\]' ||
    fail "$program has no run path to ../lib/sonavert"
done
for binary in bin/sonavert bin/wavshift lib/sonavert/libtonekit.so; do
  readelf -lW "$prefix/$binary" | grep GNU_RELRO > /dev/null || fail "$binary lacks relro"
  readelf -dW "$prefix/$binary" | grep 'FLAGS.*BIND_NOW' > /dev/null || fail "$binary lacks bindnow"
done
nm -D "$prefix/lib/sonavert/libtonekit.so" | grep '__[a-z]*_chk@' > /dev/null ||
  fail "libtonekit.so is not fortified"
desktop-file-validate "$prefix"/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix"/share/metainfo/*.xml > "$work/appstream.log" ||
  { cat "$work/appstream.log"; fail "appstreamcli validate"; }

# The installed converter starts, loads the installed library, keeps its
# settings and scratch file in the XDG folders, not beside itself, and leaves
# the desktop to the package's menu entry.
home=$work/home
mkdir -p "$home/Desktop"
loads=$(env -u LD_LIBRARY_PATH HOME="$home" XDG_CONFIG_HOME="$home/config" \
  XDG_CACHE_HOME="$home/cache" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy LD_DEBUG=files \
  timeout 120 "$prefix/bin/sonavert" --measure-startup 2>&1) ||
  fail "the installed sonavert did not start:"$'\n'"$(grep -v 'file=' <<< "$loads" | tail -5)"
grep -q "calling init: $prefix/bin/../lib/sonavert/libtonekit.so" <<< "$loads" ||
  fail "the installed sonavert did not load $prefix/lib/sonavert/libtonekit.so"
[ -f "$home/config/sonavert/settings.dat" ] || fail "no settings in XDG_CONFIG_HOME"
[ ! -e "$prefix/bin/settings.dat" ] && [ ! -e "$prefix/bin/temp.wav" ] ||
  fail "the installed sonavert wrote beside itself"
[ -z "$(ls -A "$home/Desktop")" ] || fail "the installed sonavert wrote a desktop launcher"

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
  if grep -Eq '^E:|no-manual-page|hardening-no|ldconfig|lacks-keywords|custom-library-search-path' \
    "$work/lintian.log"; then
    cat "$work/lintian.log"
    fail "lintian"
  fi
fi
# A new user's first batch run, with no XDG folders yet, converts a WAV and
# an MP3 (the batch converter must create the folders it uses).
fresh=$work/fresh
mkdir -p "$fresh/in" "$fresh/out"
sox -n -r 44100 -c 2 -b 16 "$fresh/in/tone.wav" synth 1 sine 440
sox -n -r 44100 -c 2 "$fresh/in/song.mp3" synth 1 sine 660
env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME HOME="$fresh/home" timeout 120 \
  "$prefix/bin/sonavert" --convert --quiet --to wav --output "$fresh/out" "$fresh/in" \
  > "$work/batch.log" 2>&1 || { cat "$work/batch.log"; fail "the installed batch converter"; }
[ -s "$fresh/out/tone.wav" ] && [ -s "$fresh/out/song.wav" ] || fail "batch outputs missing"

echo "packaging checks passed"
