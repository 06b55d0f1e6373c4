#!/usr/bin/env bash
# The Debian package, built as a packager builds it, and checked; CI runs these steps.
# usage: tests/debian-package.sh OUT STEP...   with the steps, in the order given:
#   build        installs the build dependencies and builds the committed tree (source and
#                binary), running the tests that need no display
#   rebuild      builds the binary package again, elsewhere and with nocheck (no test built or
#                run), and requires identical .deb files
#   check        lintian on the .changes (the source, the package, its -dbgsym, the .buildinfo),
#                hardening-check, what the package installs and declares, the installed program
#                started on X, and script/bootstrap reading a control file wrap-and-sort rewrapped
#   autopkgtest  debian/tests on this system. It installs the package here, so it runs only
#                as root and with KOYOMIX_DISPOSABLE_SYSTEM=1 in the environment, which says
#                that this system is a throwaway one (script/test-debian's fresh root sets it)
set -euo pipefail
usage() { sed -n '3,13s/^# //p' "$0" >&2; exit 2; }
[ $# -ge 2 ] || usage
out=$(mkdir -p "$1" && cd "$1" && pwd)
shift
top=$(cd "$(dirname "$0")/.." && pwd)
here="$top/tests"
fail() { echo "FAIL: $*" >&2; exit 1; }
first="$out/first/koyomix"
# A fresh checkout each time: its files' times are those of the checkout. Root may clone a
# checkout that another user owns, which only the upload-pack serving the clone trusts.
build() {
  rm -rf "${1%/koyomix}"
  git clone --quiet --no-local -u "git -c safe.directory='*' upload-pack" "$top" "$1"
  (cd "$1" && umask "$2" && dpkg-buildpackage -us -uc "${@:3}" >"$1.log" 2>&1) ||
    { tail -50 "$1.log"; fail "dpkg-buildpackage in $1"; }
}

# What the package installs and declares, Debian's checks, and the installed program started.
check() {
  deb=$(ls "$out"/first/koyomix_*.deb)
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  root="$work/root"
  dpkg-deb -x "$deb" "$root"

  depends=$(dpkg-deb -f "$deb" Depends)
  recommends=$(dpkg-deb -f "$deb" Recommends)
  echo "Depends: $depends; Recommends: $recommends"
  # Computed by dpkg-shlibdeps from the executable, so the Qt libraries it links are there.
  # Debian 13 renamed the Qt packages for 64-bit time (libqt6core6t64): same library.
  for lib in libqt6widgets6 libqt6gui6 libqt6core6 libc6; do
    grep -qE "(^|[ ,])${lib}(t64)?( |,|$)" <<<"$depends" || fail "Depends lacks $lib"
  done
  for pkg in fonts-ipafont-gothic fonts-liberation qt6-translations-l10n qt6-wayland; do
    grep -q "\b$pkg\b" <<<"$recommends" || fail "Recommends lacks $pkg"
  done
  # script/bootstrap installs them for script/run however the field is wrapped: here as
  # wrap-and-sort wraps it, a package a line.
  mkdir -p "$work/wrapped/script"
  cp -r "$top/debian" "$work/wrapped/" && cp "$top/script/bootstrap" "$work/wrapped/script/"
  (cd "$work/wrapped" && wrap-and-sort --wrap-always --short-indent --trailing-comma)
  listed=$("$work/wrapped/script/bootstrap" --print run)
  for pkg in $(tr -d , <<<"$recommends"); do
    grep -qx "$pkg" <<<"$listed" || fail "script/bootstrap leaves out $pkg of a wrapped Recommends"
  done

  id=io.github.koyomix.Koyomix
  desktop="$root/usr/share/applications/$id.desktop"
  metainfo="$root/usr/share/metainfo/$id.metainfo.xml"
  [ -x "$root/usr/bin/koyomix" ] || fail "no executable usr/bin/koyomix"
  desktop-file-validate "$desktop" || fail "installed desktop entry"
  # The whole tree, as lintian validates it.
  "$here/validate-metainfo.sh" "$root" >/dev/null || fail "installed metainfo"
  # The upstream version: without an epoch (1:), a Debian revision (-1) or a rebuild's +b1.
  version=$(dpkg-deb -f "$deb" Version)
  version=${version#*:}
  grep -q "<release version=\"${version%%[-+~]*}\" date=\"[0-9-]*\">" "$metainfo" ||
    fail "the metainfo's release is not the package's version"
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

  # Lintian on the .changes checks every file it lists. Every tag fails, pedantic,
  # informational and experimental ones too; the overrides in debian/ say why they exist. Two
  # exceptions. Tags on the .changes and the -dbgsym package cannot be overridden, and these
  # three ask for a maintainer address, which Koyomix does not have yet and does not make up.
  # And a lintian older than the package (Debian 12's) says that it does not know the policy
  # version the package follows, or the AppStream tag (of Debian 13's) that it overrides.
  accepted='^E: koyomix(-dbgsym| changes): malformed-contact (Maintainer|Changed-By) '
  accepted+='Koyomix developers <>$|^W: koyomix source: newer-standards-version |^E: koyomix: '
  accepted+='alien-tag appstream-metadata-validation-failed \[usr/share/lintian/overrides/koyomix:'
  accepted+='[0-9]+\]$'
  lintian_out=$(lintian --pedantic --display-info --display-experimental --allow-root \
    --fail-on none "$out"/first/koyomix_*.changes 2>&1) || fail "lintian: $lintian_out"
  lintian_out=$(grep -Ev "$accepted" <<<"$lintian_out") || true
  [ -z "$lintian_out" ] || fail "lintian: $lintian_out"
  hardening=$(hardening-check "$root/usr/bin/koyomix") || true
  # Two features no program of Debian's has, /usr/bin/ls included, from the flags alone: arm64's
  # Branch Protection elsewhere than on arm64, and the x86 marking for control flow integrity,
  # which the linker gives only when every input has it and Debian's C start files (Scrt1.o) do
  # not. The package takes no flag of its own to force either.
  lacking='Control flow integrity'
  [ "$(dpkg --print-architecture)" = arm64 ] || lacking+='|Branch Protection'
  ! grep -qP "^(?! *($lacking): no).*: no" <<<"$hardening" || fail "hardening-check: $hardening"
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
  "$here/with-x11.sh" bash -c '"$1" &
    trap "kill $!" EXIT
    timeout 30 xdotool search --sync --onlyvisible --name "^Koyomix Ver\." >/dev/null
    ' _ "$root/usr/bin/$exec_line" || fail "the installed program shows no window"
  echo "the installed program shows its window"
}

for step in "$@"; do
  start=$SECONDS
  case $step in
    build) "$top/script/bootstrap" build
      build "$first" 0022
      grep -q 'tests passed, 0 tests failed' "$first.log" || fail "no test ran in the build" ;;
    rebuild) second="$out/second/elsewhere/koyomix"
      DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-} nocheck" TZ=Asia/Tokyo build "$second" 0002 -b -Pnocheck
      ! grep -q 'Running tests' "$second.log" || fail "tests ran under nocheck"
      for deb in "$out"/first/*.deb; do
        cmp "$deb" "${second%/koyomix}/${deb##*/}" || fail "two builds differ: ${deb##*/}"
      done
      echo "two builds in different directories gave identical packages:" "$out"/first/*.deb ;;
    check) "$top/script/bootstrap" package
      check ;;
    autopkgtest)
      [ "$(id -u)" -eq 0 ] && [ "${KOYOMIX_DISPOSABLE_SYSTEM:-}" = 1 ] ||
        fail "autopkgtest installs the package into this system: as root, and only where" \
          "KOYOMIX_DISPOSABLE_SYSTEM=1 says that this system is a throwaway one"
      "$top/script/bootstrap" package
      autopkgtest "$out"/first/koyomix_*.deb "$first" -- null ;;
    *) usage ;;
  esac
  echo "== $step: $((SECONDS - start)) s"
done
exit 0
