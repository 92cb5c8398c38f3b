#!/usr/bin/env bash
# Installs the Debian packages given as arguments that are not installed yet.
# Used by ./run, ./test and bench/run; does nothing when everything is present.
set -euo pipefail
missing=()
for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# Another apt-get (./run and ./test started together on a fresh machine) holds Debian's lock for
# a while: wait for it, up to five minutes, instead of failing at once.
apt_get() {
    local log waited=0
    log="$(mktemp)"
    while ! "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 "$@" 2>"$log"; do
        if ! grep -q -i 'could not get lock\|unable to lock\|is another process using it' "$log" ||
            [ "$waited" -ge 300 ]; then
            cat "$log" >&2
            rm -f "$log"
            return 1
        fi
        [ "$waited" -eq 0 ] && echo "Another apt-get holds Debian's package lock: waiting for it (at most 5 minutes)."
        sleep 5
        waited=$((waited + 5))
    done
    cat "$log" >&2
    rm -f "$log"
}
if command -v lslocks >/dev/null 2>&1 && lslocks -n -o PATH 2>/dev/null | grep -q '^/var/lib/dpkg/lock'; then
    echo "Another apt-get holds Debian's package lock: waiting for it (at most 5 minutes)."
fi
apt_get update -qq || true
apt_get install -y -qq --no-install-recommends "${missing[@]}"
