#!/usr/bin/env bash
# The house rules that a compiler cannot check. Run by .ci/run before the build.
#   1. every path HACKING.md names in backticks exists;
#   2. logic folders include no X11, xcb, QtGui or QtWidgets header, and no backend or view;
#   3. every C++ file is clang-formatted;
#   4. every setting declared in core/Settings.h is documented in README.md;
#   5. logic reaches the strings table only through the L10n its constructor gets.
# Prints each failure and exits 1 if there was any.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

failures=0
fail() {
    printf 'house rule: %s\n' "$*" >&2
    failures=$((failures + 1))
}

# Folders that hold logic: C++20 + QtCore, reaching the desktop only through ports.
logic_folders=(core layouts groups workspaces hotkeys app clipboard shelf bridge update)

# Source files as a fresh clone would have them: tracked plus new, minus ignored builds.
# Git pathspec wildcards cross folders, so "core/*.h" also finds core/tests/*.h.
source_files() {
    git ls-files --cached --others --exclude-standard -- "$@" |
        while IFS= read -r f; do if [[ -f $f ]]; then printf '%s\n' "$f"; fi; done
}

check_hacking_paths() {
    [[ -f HACKING.md ]] || { fail "HACKING.md is missing"; return; }
    local span
    # A backticked span "looks like a path" when it has only path characters and either a
    # slash or a file extension; commands, code and placeholders are left alone.
    # shellcheck disable=SC2016 # the backticks are literal
    while IFS= read -r span; do
        [[ $span =~ ^[A-Za-z0-9_./-]+$ ]] || continue
        [[ $span == */* || $span =~ \.[A-Za-z][A-Za-z0-9]*$ ]] || continue
        [[ -e $span ]] || fail "HACKING.md names \`$span\`, which does not exist"
    done < <(grep -o '`[^`]*`' HACKING.md | tr -d '`' | sort -u)
}

check_logic_includes() {
    local -a present=()
    local d
    for d in "${logic_folders[@]}"; do [[ -d $d ]] && present+=("$d"); done
    ((${#present[@]})) || return 0
    # Angle includes: X11, xcb, QtGui, QtWidgets (module and class headers).
    local deny_classes='QWidget|QApplication|QGuiApplication|QScreen|QWindow|QImage|QPixmap'
    deny_classes+='|QIcon|QPainter|QClipboard|QMenu|QAction|QSystemTrayIcon|QLabel'
    local angle="^[[:space:]]*#[[:space:]]*include[[:space:]]*<(xcb/|X11/|QtGui|QGui|QtWidgets"
    angle+="|($deny_classes)>)"
    # Quoted includes of a backend, a view or the composition root: logic sees ports only.
    local quoted='^[[:space:]]*#[[:space:]]*include[[:space:]]*"(platform/(x11|desktop)|views|main)/'
    local hit
    while IFS= read -r hit; do
        fail "logic includes a platform or GUI header: $hit"
    done < <(source_files "${present[@]/%//*.h}" "${present[@]/%//*.cpp}" |
        xargs -r grep -nHE "$angle|$quoted" || true)
}

check_format() {
    command -v clang-format >/dev/null || { fail "clang-format is not installed"; return; }
    local -a files
    mapfile -t files < <(source_files '*.h' '*.cpp')
    ((${#files[@]})) || return 0
    local out
    if ! out=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then
        fail "C++ files are not clang-formatted (fix: clang-format -i FILE):"
        grep -E '^[^ ].*(error|warning):' <<<"$out" | cut -d: -f1 | sort -u | sed 's/^/    /' >&2
    fi
}

check_settings_documented() {
    # Every setting is one descriptor in core/Settings.h; nothing to check before it exists.
    # core/tests/PrefsTest.cpp checks that this pattern finds exactly the settings the
    # program lists (`quenda config list`).
    local table=core/Settings.h
    [[ -f $table ]] || return 0
    local -a keys
    mapfile -t keys < <(tr '\n' ' ' <"$table" |
        grep -oE 'constexpr[[:space:]]+Setting<[^>]+>[[:space:]]+[A-Za-z0-9_]+[[:space:]]*\{[[:space:]]*\.key[[:space:]]*=[[:space:]]*"[^"]+"' |
        sed -E 's/.*"([^"]+)"$/\1/')
    ((${#keys[@]})) || { fail "no settings found in $table"; return; }
    local key
    for key in "${keys[@]}"; do
        grep -qF "\`$key\`" README.md 2>/dev/null ||
            fail "settings key \"$key\" ($table) is not documented in README.md"
    done
}

check_no_shared_strings_in_logic() {
    # L10n::shared() is the composition root's; logic that reached for it could not be
    # tested with another table. Its own definition and the tests are left out.
    local -a present=()
    local d
    for d in "${logic_folders[@]}"; do [[ -d $d ]] && present+=("$d"); done
    ((${#present[@]})) || return 0
    local hit
    while IFS= read -r hit; do
        fail "logic looks up the shared strings table (take an L10n instead): $hit"
    done < <(source_files "${present[@]/%//*.h}" "${present[@]/%//*.cpp}" |
        grep -vE '(^|/)tests/|^core/L10n\.(h|cpp)$' |
        xargs -r grep -nHF 'L10n::shared()' || true)
}

check_shell() {
    local -a scripts
    mapfile -t scripts < <(git ls-files '*.sh' .ci/run)
    ((${#scripts[@]})) || return 0
    local out
    if ! out=$(shellcheck -x "${scripts[@]}" 2>&1); then
        fail "shell scripts have shellcheck findings:"
        printf '%s\n' "$out" >&2
    fi
}

check_hacking_paths
check_logic_includes
check_shell
check_format
check_settings_documented
check_no_shared_strings_in_logic

if ((failures)); then
    printf 'house rules: %d failure(s)\n' "$failures" >&2
    exit 1
fi
echo "house rules: all passed"
