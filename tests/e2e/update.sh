#!/usr/bin/env bash
# End-to-end: the self-update of a copy installed in the data folder, from a real HTTPS
# server (python's http.server in TLS, with a certificate made for this test and trusted
# through SSL_CERT_FILE; Quenda's certificate checks stay on). Releases are made and signed
# by scripts/quenda-release.py with a key made for this test; the installed copy is laid
# out with tar and ln, and judged by what `current/bin/quenda --version` prints and where
# readlink says `current` points.
#   update.sh QUENDA_BINARY SCRIPTS_DIR
set -euo pipefail

quenda=${1:?usage: update.sh QUENDA_BINARY SCRIPTS_DIR}
scripts=${2:?usage: update.sh QUENDA_BINARY SCRIPTS_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
release_tool=$scripts/quenda-release.py

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quenda-e2e.XXXXXX")
servers=()
cleanup() {
    local pid
    for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$tmp"
}
trap cleanup EXIT
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data
# The update needs no desktop.
unset DISPLAY DBUS_SESSION_BUS_ADDRESS
root=$XDG_DATA_HOME/Quenda

failures=0
fail() {
    printf 'FAIL %s\n' "$*" >&2
    failures=$((failures + 1))
}

# --- Keys, certificate, server ------------------------------------------------------------
python3 "$release_tool" keygen --private "$tmp/release.pem" --public "$tmp/release.txt"
python3 "$release_tool" keygen --private "$tmp/other.pem" --public "$tmp/other.txt"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
    -subj /CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
    -keyout "$tmp/tls-key.pem" -out "$tmp/tls-cert.pem" 2>/dev/null
export SSL_CERT_FILE=$tmp/tls-cert.pem

# start_server ROOT PORTFILE [--silent]: serves ROOT; the port is in PORTFILE once it listens.
start_server() {
    python3 "$here/lib/https_server.py" "$1" "$tmp/tls-cert.pem" "$tmp/tls-key.pem" "$2" \
        ${3:+"$3"} 2>>"$tmp/server.log" &
    servers+=($!)
    qd_wait_until "the HTTPS server" test -s "$2"
}
www=$tmp/www
mkdir -p "$www/api/updates" "$www/releases"
start_server "$www" "$tmp/port"
base=https://localhost:$(cat "$tmp/port")
export QUENDA_UPDATE_FEED=$base/api/updates/latest.json
feed=$www/api/updates/latest.json

# --- Releases -----------------------------------------------------------------------------
# A prefix with the program (without its debugging sections, to keep the archives small),
# the test's public key, and incompressible padding so a download and an unpacking take long
# enough to be interrupted.
prefix=$tmp/prefix
mkdir -p "$prefix/bin" "$prefix/share/quenda"
strip -o "$prefix/bin/quenda" "$quenda" 2>/dev/null || cp "$quenda" "$prefix/bin/quenda"
cp "$tmp/release.txt" "$prefix/share/quenda/ed25519-pubkey.txt"
head -c $((24 << 20)) /dev/urandom >"$prefix/share/quenda/padding.bin"

# pack VERSION BUILD KEY OUTPUT: the prefix signed as that release and packed.
pack() {
    python3 "$release_tool" pack --key "$3" --prefix "$prefix" --version "$1" --build "$2" \
        --output "$4"
}
# publish VERSION BUILD URL ARCHIVE [KEY]: the feed's manifest for that archive.
publish() {
    python3 "$release_tool" manifest --key "${5:-$tmp/release.pem}" --version "$1" --build "$2" \
        --url "$3" --archive "$4" --notes "e2e" --output "$feed"
}
pack 0.1.0 1 "$tmp/release.pem" "$tmp/quenda-0.1.0.tar.gz"
pack 0.2.0 2 "$tmp/release.pem" "$www/releases/quenda-0.2.0.tar.gz"
pack 0.2.0 2 "$tmp/other.pem" "$www/releases/foreign-0.2.0.tar.gz"
good_url=$base/releases/quenda-0.2.0.tar.gz
good_archive=$www/releases/quenda-0.2.0.tar.gz

# The installed copy, 0.1.0 build 1, laid out as the README tells a user to.
install_old() {
    rm -rf "$root"
    mkdir -p "$root/versions/0.1.0-1"
    tar -xzf "$tmp/quenda-0.1.0.tar.gz" -C "$root/versions/0.1.0-1"
    ln -s versions/0.1.0-1 "$root/current"
}
old_version="quenda 0.1.0 (build 1)"
new_version="quenda 0.2.0 (build 2)"
current_version() { timeout 30 "$root/current/bin/quenda" --version 2>/dev/null || true; }

# attempt NAME STATUS TEXT: `quenda update install` from the installed copy exits STATUS,
# says TEXT (on stdout or stderr), and the installed copy is still 0.1.0.
attempt() {
    local name=$1 want_status=$2 text=$3 status=0
    timeout 120 "$root/current/bin/quenda" update install >"$tmp/out" 2>&1 || status=$?
    [[ $status == "$want_status" ]] || fail "$name: exit $status, wanted $want_status ($(cat "$tmp/out"))"
    grep -qF "$text" "$tmp/out" || fail "$name: did not say \"$text\": $(cat "$tmp/out")"
    [[ $(readlink "$root/current") == versions/0.1.0-1 ]] || fail "$name: current moved"
    [[ $(current_version) == "$old_version" ]] || fail "$name: current runs $(current_version)"
    [[ ! -e $root/staging ]] || [[ -z $(ls -A "$root/staging") ]] ||
        fail "$name: left $(ls -A "$root/staging") in staging"
}

install_old
[[ $(current_version) == "$old_version" ]] || fail "installed copy: $(current_version)"

# --- Refusals: each leaves the installed version alone ------------------------------------
head -c 1000 "$good_archive" >"$www/releases/tampered.tar.gz"
cat "$good_archive" >>"$www/releases/tampered.tar.gz"
publish 0.2.0 2 "$base/releases/tampered.tar.gz" "$good_archive"
attempt "tampered archive" 1 "SHA-256 del DMG no coincide"

publish 0.2.0 2 "$good_url" "$tmp/quenda-0.1.0.tar.gz"
attempt "wrong digest" 1 "SHA-256 del DMG no coincide"

publish 0.2.0 2 "$good_url" "$good_archive"
sed -i 's/"build": 2/"build": 3/' "$feed"
attempt "bad signature" 1 "Firma Ed25519 del manifiesto inválida"

publish 0.2.0 2 "$good_url" "$good_archive" "$tmp/other.pem"
attempt "manifest signed by another key" 1 "Firma Ed25519 del manifiesto inválida"

publish 0.2.0 2 "$base/releases/foreign-0.2.0.tar.gz" "$www/releases/foreign-0.2.0.tar.gz"
attempt "release signed by another key" 1 "Firma Apple / Team ID no válidos en la actualización"

cp "$tmp/quenda-0.1.0.tar.gz" "$www/releases/quenda-0.0.9.tar.gz"
publish 0.0.9 9 "$base/releases/quenda-0.0.9.tar.gz" "$www/releases/quenda-0.0.9.tar.gz"
attempt "older signed manifest" 0 "Ya tienes la última versión"

publish 0.2.0 2 "http://localhost:$(cat "$tmp/port")/releases/quenda-0.2.0.tar.gz" "$good_archive"
attempt "http address" 1 "URL de actualización no oficial"

rm -f "$feed"
attempt "404 feed" 1 "Feed de actualizaciones no disponible"

# --- The update ---------------------------------------------------------------------------
publish 0.2.0 2 "$good_url" "$good_archive"
status=0
started=$(date +%s%N)
timeout 120 "$root/current/bin/quenda" update install >"$tmp/out" 2>&1 || status=$?
install_ms=$((($(date +%s%N) - started) / 1000000))
[[ $status == 0 ]] || fail "update: exit $status ($(cat "$tmp/out"))"
grep -qF "Actualización instalada" "$tmp/out" || fail "update: $(cat "$tmp/out")"
[[ $(readlink "$root/current") == versions/0.2.0-2 ]] || fail "update: current is $(readlink "$root/current")"
[[ $(current_version) == "$new_version" ]] || fail "update: current runs $(current_version)"
[[ $("$root/versions/0.1.0-1/bin/quenda" --version) == "$old_version" ]] ||
    fail "update: the previous release is gone"
out=$(timeout 60 "$root/current/bin/quenda" update check 2>&1) || fail "check after update: $out"
[[ $out == "Ya tienes la última versión" ]] || fail "check after update: $out"

# --- Killed installs -----------------------------------------------------------------------
# SIGKILL at moments spread over a whole install (download, hashing, unpacking, the switch),
# again and again: `current` must always start, as the old release or the new one. The
# pause before each kill is the moment chosen, not a wait for anything.
back_to_old() {
    ln -sfn versions/0.1.0-1 "$root/current.tmp" && mv -T "$root/current.tmp" "$root/current"
}
back_to_old
rounds=14
ended_old=0
ended_new=0
for ((i = 0; i < rounds; i++)); do
    delay_ms=$((install_ms * i / (rounds - 1) + RANDOM % 40))
    "$root/current/bin/quenda" update install >/dev/null 2>&1 &
    pid=$!
    sleep "$((delay_ms / 1000)).$(printf '%03d' $((delay_ms % 1000)))"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    v=$(current_version)
    if [[ $v != "$old_version" && $v != "$new_version" ]]; then
        fail "killed after ${delay_ms} ms: current ($(readlink "$root/current")) runs \"$v\""
        break
    fi
    if [[ $v == "$old_version" ]]; then
        ended_old=$((ended_old + 1))
    else
        ended_new=$((ended_new + 1))
        back_to_old
    fi
done
printf 'killed installs: an install takes %s ms; %s ended on the old release, %s on the new\n' \
    "$install_ms" "$ended_old" "$ended_new"
# After all that, an install still goes through (the dead installs' lock and leftovers are
# taken over).
back_to_old
status=0
timeout 120 "$root/current/bin/quenda" update install >"$tmp/out" 2>&1 || status=$?
[[ $status == 0 && $(current_version) == "$new_version" ]] ||
    fail "install after the kills: exit $status, $(cat "$tmp/out"), current runs $(current_version)"
[[ -z $(ls -A "$root/staging" 2>/dev/null) ]] || fail "staging left: $(ls -A "$root/staging")"

# --- A feed that never answers ------------------------------------------------------------
start_server "$www" "$tmp/silent-port" --silent
started=$SECONDS
status=0
QUENDA_UPDATE_FEED=https://localhost:$(cat "$tmp/silent-port")/api/updates/latest.json \
    timeout 120 "$root/current/bin/quenda" update check >"$tmp/out" 2>&1 || status=$?
waited=$((SECONDS - started))
[[ $status == 1 ]] || fail "silent feed: exit $status ($(cat "$tmp/out"))"
((waited >= 55 && waited <= 90)) || fail "silent feed: gave up after ${waited} s, not 60 s"

if ((failures)); then
    printf '%d failure(s)\n' "$failures" >&2
    exit 1
fi
echo "update: all passed"
