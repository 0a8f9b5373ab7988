#!/usr/bin/env bash
# Timing of the directory road: N directory entries served by a real slapd on
# 127.0.0.1 and read through pdxadmin contents (PDXOpen, the MAPI logon and
# UID scan, the paged LDAP read, the rows through vqmapisp and vqcore).
#
# usage: bench/mapi_directory_bench.sh [BUILD-DIR] [N...]   (default: build, 1250 2500 5000 10000)
set -euo pipefail

build=${1:-build}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1250 2500 5000 10000)
bin=$(cd "$build/bin" && pwd)
for tool in slapd slapadd; do
  command -v "/usr/sbin/$tool" >/dev/null || { echo "bench: /usr/sbin/$tool missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
slapd_pid=
cleanup() {
  if [ -n "$slapd_pid" ]; then kill "$slapd_pid" 2>/dev/null || true; wait "$slapd_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data VELMO_REGISTRY=$work/registry.sqlite3
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"

# A loopback port nothing answers on.
free_port() {
  local p
  while :; do
    p=$((20000 + RANDOM % 30000))
    (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { echo "$p"; return; }
  done
}

make_ldif() { # N
  printf 'dn: dc=example,dc=org\nobjectClass: dcObject\nobjectClass: organization\no: Example\ndc: example\n\n'
  printf 'dn: ou=People,dc=example,dc=org\nobjectClass: organizationalUnit\nou: People\n\n'
  for ((i = 0; i < $1; i++)); do
    printf 'dn: cn=Person %d,ou=People,dc=example,dc=org\nobjectClass: inetOrgPerson\ncn: Person %d\nsn: P%d\n' "$i" "$i" "$i"
    printf 'givenName: Given%d\nmail: person%d@example.org\nfacsimileTelephoneNumber: +1 555 %06d\no: Example\nou: Dept %d\n\n' \
      "$i" "$i" "$i" $((i % 40))
  done
}

start_slapd() { # N
  local dir=$work/slapd-$1
  mkdir -p "$dir/db"
  cat >"$dir/slapd.conf" <<CONF
include /etc/ldap/schema/core.schema
include /etc/ldap/schema/cosine.schema
include /etc/ldap/schema/inetorgperson.schema
pidfile $dir/slapd.pid
modulepath /usr/lib/ldap
moduleload back_mdb
database mdb
maxsize 1073741824
suffix "dc=example,dc=org"
directory $dir/db
index objectClass eq
limits * size.soft=500 size.hard=500 size.prtotal=unlimited
CONF
  make_ldif "$1" >"$dir/data.ldif"
  /usr/sbin/slapadd -q -f "$dir/slapd.conf" -l "$dir/data.ldif"
  port=$(free_port)
  /usr/sbin/slapd -f "$dir/slapd.conf" -h "ldap://127.0.0.1:$port/" -d 0 &
  slapd_pid=$!
  for _ in $(seq 200); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return 0
    sleep 0.05
  done
  echo "bench: slapd did not start" >&2
  exit 1
}

printf '%8s %10s %10s %12s\n' entries best_s median_s us_per_entry
for n in "${sizes[@]}"; do
  rm -f "$VELMO_REGISTRY"
  start_slapd "$n"
  "$bin/velmo-mapi" create Bench >/dev/null
  "$bin/velmo-mapi" add-ldap Bench Directory "ldap://127.0.0.1:$port" dc=example,dc=org >/dev/null
  "$bin/pdxadmin" create Bench >/dev/null
  "$bin/pdxadmin" add-service Bench MAPI_ABS >/dev/null
  uid=$("$bin/pdxadmin" services Bench | cut -f1)
  "$bin/pdxadmin" configure Bench "$uid" 3001001E=Directory 6600001E=Bench
  id=$("$bin/pdxadmin" hierarchy Bench | awk -F'\t' '$2 == "Directory" && $1 == 1 { print $5 }')
  times=()
  for run in 1 2 3 4 5; do
    start=$(date +%s.%N)
    rows=$("$bin/pdxadmin" contents Bench "$id" | wc -l)
    end=$(date +%s.%N)
    [ "$rows" -eq "$n" ] || { echo "bench: read $rows rows of $n" >&2; exit 1; }
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')")
  done
  sorted=$(printf '%s\n' "${times[@]}" | sort -g)
  best=$(echo "$sorted" | head -1)
  median=$(echo "$sorted" | sed -n 3p)
  printf '%8d %10.3f %10.3f %12.1f\n' "$n" "$best" "$median" "$(awk -v m="$median" -v n="$n" 'BEGIN { print m * 1000000 / n }')"
  kill "$slapd_pid"; wait "$slapd_pid" 2>/dev/null || true; slapd_pid=
done
