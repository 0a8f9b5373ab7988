#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with.
# Idempotent: does nothing (and touches no network) when everything is present.
#   setup.sh              what `make run` and `make test` need
#   setup.sh --package    and the tools of `make package` (lintian)
#   setup.sh --screenshot and what scripts/screenshot.sh needs (ImageMagick, xdotool)
#   setup.sh --bench      and what `make bench` measures against and with
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build ccache pkg-config dpkg-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-qpa-plugins
  libsqlite3-dev libgtest-dev libgmock-dev
  xvfb xauth fonts-noto-cjk
  shared-mime-info desktop-file-utils
  # What the program shows: the icon theme of its tool bar and dialogs, the
  # SVG plug-ins that draw it, and Qt's own texts in Traditional Chinese.
  breeze-icon-theme libqt6svg6 qt6-translations-l10n
  # Manual pages are checked with groff.
  groff-base man-db
  # The directory tests start their own slapd; the LDAP client library.
  libldap-dev slapd ldap-utils
)

# The peer the headless conversion is timed against, the timer, and GNU time
# for peak memory.
bench_packages=(abook hyperfine time python3)

for arg in "$@"; do
  case "$arg" in
    --bench) packages+=("${bench_packages[@]}") ;;
    --package) packages+=(lintian fakeroot) ;;
    --screenshot) packages+=(imagemagick xdotool) ;;
    *) echo "setup.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
# slapd is only started by the tests, on loopback with a configuration of
# their own: a policy-rc.d keeps the package from starting the system daemon.
policy=/usr/sbin/policy-rc.d
own_policy=0
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
  "${sudo_cmd[@]}" chmod 755 "$policy"
  own_policy=1
fi
cleanup() { if [ "$own_policy" -eq 1 ]; then "${sudo_cmd[@]}" rm -f "$policy"; fi; }
trap cleanup EXIT
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
