#!/usr/bin/env bash
# The system as a user gets it, then run from there with the build and source
# folders hidden:
#   installed_tree_test.sh install BUILD SOURCE   cmake --install into a temporary DESTDIR
#   installed_tree_test.sh package BUILD SOURCE   the Debian package, its file list and
#                                                 control data checked, unpacked with dpkg -x
set -euo pipefail
mode=$1
build=$(realpath "$2")
source=$(realpath "$3")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d "${TMPDIR:-/tmp}/velmo-installed-XXXXXX")
trap 'rm -rf "$work"' EXIT
root=$work/root
fail() { echo "FAIL: $*" >&2; exit 1; }

# The package as dpkg sees it: its control data, scripts and file list.
check_package() {
  local deb=$1 depends listing info
  [ "$(dpkg-deb -f "$deb" Package)" = lisotrex ] || fail "package name"
  depends=$(dpkg-deb -f "$deb" Depends)
  for dep in libc6 libqt6widgets6 libsqlite3-0 qt6-qpa-plugins libqt6svg6 breeze-icon-theme qt6-translations-l10n; do
    grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
  done
  info=$(dpkg-deb -I "$deb")
  for script in postinst postrm; do
    grep -qE "\*[[:space:]]+$script[[:space:]]" <<<"$info" || fail "no executable $script"
    dpkg-deb -I "$deb" "$script" > "$work/$script"
    sh -n "$work/$script" || fail "$script does not parse"
    for tool in update-mime-database update-desktop-database; do
      grep -q "$tool" "$work/$script" || fail "$script does not run $tool"
    done
  done
  listing=$(dpkg-deb -c "$deb")
  awk '$2 != "root/root" { exit 1 }' <<<"$listing" || fail "files not owned by root: $(awk '$2 != "root/root"' <<<"$listing" | head -3)"
  for program in lisotrex lisotrex-convert pdxadmin velmo-reg velmo-mapi; do
    grep -qF "./usr/bin/$program -> ../lib/lisotrex/$program" <<<"$listing" || fail "no link ./usr/bin/$program"
    grep -qE "^-rwxr-xr-x .* \./usr/lib/lisotrex/$program\$" <<<"$listing" || fail "no program ./usr/lib/lisotrex/$program"
  done
  for file in usr/lib/lisotrex/vqcore.so usr/lib/lisotrex/Lisotrex.inf usr/lib/lisotrex/VQSVC.inf \
              usr/share/applications/lisotrex.desktop usr/share/mime/packages/lisotrex-document.xml \
              usr/share/man/man1/lisotrex-convert.1.gz usr/share/doc/lisotrex/copyright \
              usr/share/doc/lisotrex/changelog.gz; do
    grep -qE " \./$file\$" <<<"$listing" || fail "the package lacks /$file"
  done
}

case $mode in
install)
  DESTDIR=$root "${CMAKE:-cmake}" --install "$build" --prefix /usr > "$work/install.log" 2>&1 || { cat "$work/install.log"; fail "cmake --install"; }
  ;;
package)
  (cd "$work" && "${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$work/package") > "$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail cpack; }
  deb=$(ls "$work"/package/*.deb)
  check_package "$deb"
  # lintian comes with scripts/setup.sh --package (make package, .ci/run).
  if command -v lintian >/dev/null; then
    lintian --fail-on error --display-level '>=error' "$deb" 2>/dev/null || fail "lintian finds errors"
  fi
  dpkg -x "$deb" "$root"
  ;;
*) fail "unknown mode $mode" ;;
esac

# The layout: programs in bin/ are links to lib/lisotrex/, where every part
# the build made lies, and nothing of the tests.
lib=$root/usr/lib/lisotrex
for program in lisotrex lisotrex-convert pdxadmin velmo-reg velmo-mapi; do
  [ "$(readlink "$root/usr/bin/$program")" = "../lib/lisotrex/$program" ] || fail "bin/$program is no link into lib/lisotrex"
  [ -x "$lib/$program" ] || fail "no $lib/$program"
done
for part in vqcore.so vqbridge.so vqfaxsp.so vqwabsp.so vqmapisp.so vqconv.so wab32.so mapi32.so velmo-mapi \
            Lisotrex.inf VQSVC.inf help/lisotrex.html; do
  if [ -e "$build/bin/$part" ] && [ ! -e "$lib/$part" ]; then fail "$part is built but not installed"; fi
done
[ -e "$lib/vqcore.so" ] && [ -e "$lib/Lisotrex.inf" ] || fail "vqcore.so or Lisotrex.inf missing"
strays=$(find "$root" \( -name '*test*' -o -name '*bench*' -o -name '*probe*' -o -name '*fake*' -o -name '*fuzz*' -o -name '*_writer' \) -print)
[ -z "$strays" ] || fail "test files installed: $strays"
share=$root/usr/share
for file in applications/lisotrex.desktop mime/packages/lisotrex-document.xml icons/hicolor/scalable/apps/lisotrex.svg \
            icons/hicolor/scalable/mimetypes/application-x-lisotrex-document.svg; do
  [ -s "$share/$file" ] || fail "no $share/$file"
done
desktop-file-validate "$share/applications/lisotrex.desktop" || fail "the desktop entry does not validate"
if readelf -d "$lib"/* 2>/dev/null | grep -qE "RUNPATH|RPATH"; then fail "an installed file keeps a run path"; fi

# A field name only the installed Lisotrex.inf knows, to see that the programs
# read that one.
sed -i 's/^FirstName=First Name\r\{0,1\}$/FirstName=Installed First Name/' "$lib/Lisotrex.inf"
grep -q '^FirstName=Installed First Name$' "$lib/Lisotrex.inf" || fail "Lisotrex.inf has no FirstName line to mark"

# Sample files and a private home for the run.
mkdir -p "$work/data" "$work/home" "$work/config" "$work/xdgdata" "$work/runtime" "$work/cache"
chmod 700 "$work/runtime"
cp "$here"/data/* "$work/data/"
cp "$here/run_installed.sh" "$source/tests/support/lsan.supp" "$work/"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/xdgdata XDG_RUNTIME_DIR=$work/runtime \
       XDG_CACHE_HOME=$work/cache VELMO_REGISTRY=$work/registry.sqlite3 LSAN_OPTIONS=suppressions=$work/lsan.supp
unset VELMO_CODEPAGE VELMO_PRINTER_DRIVER_DIR

# Empty folders over the build and the source, for the run only.
if ! unshare --mount --map-root-user true 2>/dev/null; then
  echo "SKIP: no mount namespace here (unshare), the build folder cannot be hidden"
  exit 77
fi
unshare --mount --map-root-user bash -c '
  mount -t tmpfs none "$1" && mount -t tmpfs none "$2" || exit 1
  shift 2
  exec bash "$@"' hide "$build" "$source" "$work/run_installed.sh" "$root" "$work" "$build"
