#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root as dpkg would install it,
# checks what it installs and declares, runs Debian's checks on it (lintian, hardening-check,
# man), and starts the installed program on an X server until its window shows.
#   package_install_start.sh BUILD_DIR
set -euo pipefail
build_dir=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build_dir" && cpack -G DEB -B "$work/out" >"$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/koyomix_*.deb)
root="$work/root"
dpkg-deb -x "$deb" "$root"

depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Depends: $depends"
echo "Recommends: $recommends"
# Computed by dpkg-shlibdeps from the executable, so the Qt libraries it links are there.
# Debian 13 renamed the Qt packages for 64-bit time (libqt6core6t64): same library.
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libc6; do
  grep -qE "(^|[ ,])${lib}(t64)?( |,|$)" <<<"$depends" || fail "Depends lacks $lib"
done
for pkg in fonts-ipafont-gothic fonts-liberation qt6-translations-l10n; do
  grep -q "\b$pkg\b" <<<"$recommends" || fail "Recommends lacks $pkg"
done

id=io.github.koyomix.Koyomix
desktop="$root/usr/share/applications/$id.desktop"
metainfo="$root/usr/share/metainfo/$id.metainfo.xml"
[ -x "$root/usr/bin/koyomix" ] || fail "no executable usr/bin/koyomix"
desktop-file-validate "$desktop" || fail "installed desktop entry"
"$here/validate-metainfo.sh" "$metainfo" >/dev/null || fail "installed metainfo"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not an installed program"
for size in 16 22 24 32 48 64 128 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
  file "$png" | grep -q "PNG image data, $size x $size" || fail "icon ${size}x${size}: $(file "$png")"
done
[ -s "$root/usr/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"
# The menu finds the icon by the entry's Icon= name.
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -s "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "Icon=$icon is not installed"

# Every lintian tag fails, pedantic and informational ones too; the overrides the package
# ships say why they exist.
lintian_out=$(lintian --pedantic --display-info --display-experimental --allow-root "$deb" 2>&1) ||
  fail "lintian: $lintian_out"
[ -z "$lintian_out" ] || fail "lintian: $lintian_out"
# A sanitizer build routes the C library's string functions through the sanitizer instead
# of their fortified forms; the hardening of what ships is that of the release build.
if grep -q '\blibasan' <<<"$depends"; then
  echo "sanitizer build: hardening-check left to the release build"
else
  hardening=$(hardening-check "$root/usr/bin/koyomix") || true
  # Newer hardening-check also asks for arm64's Branch Protection, "no" on every other
  # architecture (Debian's own /usr/bin/ls included); only on arm64 is it ours to give.
  gaps=$(grep ': no' <<<"$hardening") || true
  if [ "$(dpkg --print-architecture)" != arm64 ]; then
    gaps=$(grep -v '^ *Branch Protection: no' <<<"$gaps") || true
  fi
  [ -z "$gaps" ] || fail "hardening-check: $hardening"
fi
changelog_version=$(zcat "$root/usr/share/doc/koyomix/changelog.gz" | sed -n '1s/^koyomix (\(.*\)).*/\1/p')
[ "$changelog_version" = "$(dpkg-deb -f "$deb" Version)" ] || fail "changelog.gz is for $changelog_version"
# As lintian reads the pages (C.UTF-8), at its width and a terminal's.
for page in man1/koyomix.1.gz ja/man1/koyomix.1.gz; do
  for width in 80 120; do
    groff_out=$(LC_ALL=C.UTF-8 MANWIDTH=$width man --warnings -E UTF-8 -l -Tutf8 -Z \
      "$root/usr/share/man/$page" 2>&1 >/dev/null)
    # groff 1.23 cannot fill Japanese text, which has no spaces, and says so; lintian ignores
    # that warning on Japanese, Korean and Chinese pages too.
    if [[ $page == ja/* ]]; then
      groff_out=$(grep -v 'warning.*cannot adjust line' <<<"$groff_out") || true
    fi
    [ -z "$groff_out" ] || fail "man page $page at $width columns: $groff_out"
  done
done

# Start the installed program, as the menu entry would, and wait for its window.
"$here/with-x11.sh" bash -c '
  "$1" & app=$!
  if timeout 30 xdotool search --sync --onlyvisible --name "^Koyomix Ver\.1\.0$" >/dev/null; then
    kill $app; wait $app 2>/dev/null || true; echo "the installed program shows its window"
  else
    kill $app 2>/dev/null || true; echo "FAIL: the installed program shows no window" >&2; exit 1
  fi' _ "$root/usr/bin/$exec_line"
