#!/usr/bin/env bash
# Runs the installed programs of ROOT (with WORK holding the sample files)
# while the build folder BUILD is hidden: what they need, they must find
# beside their own files.
set -euo pipefail
root=$1 work=$2 build=$3
bin=$root/usr/bin
data=$work/data
fail() { echo "FAIL: $*" >&2; exit 1; }

[ ! -e "$build/CMakeCache.txt" ] || fail "the build folder is still visible"

# Every command answers --help and --version, and its manual page shows
# without warnings and names every option and command the help names.
for program in "$bin"/*; do
  name=$(basename "$program")
  help=$("$program" --help) || fail "$name --help"
  [[ $help == usage:* ]] || fail "$name --help: $help"
  version=$("$program" --version) || fail "$name --version"
  [[ $version =~ ^$name\ [0-9]+\.[0-9]+$ ]] || fail "$name --version: $version"
  page=$root/usr/share/man/man1/$name.1.gz
  [ -f "$page" ] || fail "no manual page for $name"
  text=$(LC_ALL=C.UTF-8 MANWIDTH=1000 man --warnings -E UTF-8 -l "$page" 2>"$work/man.err")
  [ ! -s "$work/man.err" ] || fail "man $name: $(cat "$work/man.err")"
  for option in $(grep -oE -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u); do
    grep -qF -- "$option" <<<"$text" || fail "the manual page of $name lacks $option"
  done
  for command in $(sed -nE "s/^(usage:)? +$name ([a-z][a-z-]*)( .*)?\$/\\2/p" <<<"$help" | sort -u); do
    grep -qwF -- "$command" <<<"$text" || fail "the manual page of $name lacks $command"
  done
done

# The headless tool reads Lisotrex.inf beside itself and converts an
# Exchange export into a fax address book.
"$bin/lisotrex-convert" --show-settings > "$work/settings.txt"
grep -q '^FieldMap\[Microsoft Exchange 5.X\].FirstName=Installed First Name$' "$work/settings.txt" ||
  fail "lisotrex-convert did not find Lisotrex.inf"
"$bin/lisotrex-convert" --import "exchange2000:$data/exchange-export.csv" --export "$work/out.abk" ||
  fail "lisotrex-convert could not convert"
cmp "$work/out.abk" "$data/exchange-export.abk" || fail "the export differs"

# pdxadmin loads vqcore.so and its VQSVC.inf beside itself.
"$bin/pdxadmin" create Office --default-services || fail "pdxadmin create"
"$bin/pdxadmin" services Office | grep -q "	WAB	" || fail "pdxadmin did not find the service INF"
"$bin/velmo-reg" export 'HKEY_CURRENT_USER\Software\Velmo\Pandex\Profiles' | grep -qF '\Profiles\Office]' ||
  fail "velmo-reg does not show the profile"

# The fax book: its plug-in lies beside vqcore and finds the driver's store
# library beside itself; its root is the 40-byte identifier of record -1.
"$bin/pdxadmin" create Fax || fail "pdxadmin create Fax"
"$bin/pdxadmin" add-service Fax ZELT_ABS > "$work/fax-add.out" 2>&1 || { cat "$work/fax-add.out"; fail "pdxadmin add-service ZELT_ABS"; }
"$bin/pdxadmin" hierarchy Fax > "$work/hierarchy.txt" 2>&1 || fail "pdxadmin hierarchy: $(cat "$work/hierarchy.txt")"
fax_root=$(awk -F '\t' 'length($5) == 80 && substr($5, 65) == "ffffffff04000000" { print $5 }' "$work/hierarchy.txt")
[ -n "$fax_root" ] || fail "no fax book in the hierarchy: $(cat "$work/hierarchy.txt")"
"$bin/pdxadmin" contents Fax "$fax_root" > "$work/fax-contents.txt" || fail "pdxadmin contents of the fax book"
[ -f "$XDG_DATA_HOME/velmo/faxab.sqlite3" ] || fail "the fax store was not made in the user's data folder"

# The window program opens a book (it lands in the recent file list) and
# keeps running; an installed program leaves the user's data folder alone.
"$bin/lisotrex" -platform offscreen -Nosplash "$data/book.abu" > "$work/lisotrex.out" 2>&1 &
pid=$!
opened=
for _ in $(seq 1 600); do
  if "$bin/velmo-reg" export 'HKEY_CURRENT_USER\Software\Velmo\Kavrelo\Recent File List' 2>/dev/null |
     grep -qF "\"File1\"=\"$data/book.abu\""; then opened=1; break; fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
sleep 1
kill -0 "$pid" 2>/dev/null || { cat "$work/lisotrex.out"; fail "lisotrex ended early"; }
kill -TERM "$pid"
wait "$pid" || true
[ -n "$opened" ] || { cat "$work/lisotrex.out"; fail "lisotrex did not open the book"; }
[ ! -e "$XDG_DATA_HOME/applications/lisotrex.desktop" ] || fail "the installed program wrote a user desktop entry"
echo "installed programs ran from $root"
