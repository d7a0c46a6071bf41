#!/usr/bin/env bash
# CI: the manual pages, the install tree and the Debian package, then the
# packaged programs themselves in a real terminal (tmux).
#
# Runs as root on a fresh Debian machine, without standard input. It builds
# in build-package/ (release, no tests), installs the package with dpkg and
# removes it again before it exits, whether the checks pass or not.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n=== package: %s (%ss)\n' "$*" "$SECONDS"; }
fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }
checks=0
pass() { checks=$((checks + 1)); printf 'ok: %s\n' "$*"; }

. .ci/need.sh
# groff, man and mandoc check the pages; CPack's DEB generator runs
# dpkg-shlibdeps (dpkg-dev) and file.
need cmake g++ make groff-base man-db mandoc dpkg-dev file tmux

export LANG=C.UTF-8
unset LC_ALL LANGUAGE
version=$(sed -n 's/^project(coil VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt's project()"
package=coil-games
deb=build-package/${package}_${version}_$(dpkg --print-architecture).deb

work=$(mktemp -d)
tmux_socket=coil-package-$$
installed=no
cleanup() {
    tmux -L "$tmux_socket" kill-server 2>/dev/null || true
    if [ "$installed" = yes ]; then dpkg -r "$package" >/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

step "build and package (cmake --workflow --preset package)"
rm -rf build-package
cmake --workflow --preset package >"$work/build.log" 2>&1 || { cat "$work/build.log"; fail "package workflow"; }
[ -f "$deb" ] || { cat "$work/build.log"; fail "no $deb"; }
pass "built $deb"

step "manual pages"
for page in duelcoil solocoil; do
    src=build-package/man/$page.6
    grep -q "^\.TH $(echo "$page" | tr a-z A-Z) 6 .*\"coil $version\"" "$src" ||
        fail "$src: .TH line lacks the version $version"
    # groff prints warnings (-ww: all of them) on standard error.
    groff -man -Tutf8 -ww -z "$src" >"$work/groff.out" 2>&1 || { cat "$work/groff.out"; fail "groff on $src"; }
    [ ! -s "$work/groff.out" ] || { cat "$work/groff.out"; fail "groff warnings on $src"; }
    pass "groff -man -Tutf8 -ww: $page.6 without warnings"
    mandoc -T lint -W warning "$src" >"$work/mandoc.out" 2>&1 || { cat "$work/mandoc.out"; fail "mandoc lint on $src"; }
    [ ! -s "$work/mandoc.out" ] || { cat "$work/mandoc.out"; fail "mandoc lint messages on $src"; }
    pass "mandoc -T lint: $page.6 without messages"
done

step "cmake --install into a fresh prefix"
prefix=$work/prefix
cmake --install build-package --prefix "$prefix" >/dev/null
(cd "$prefix" && find . -type f | sort) >"$work/tree"
printf '%s\n' ./bin/duelcoil ./bin/solocoil ./share/man/man6/duelcoil.6 ./share/man/man6/solocoil.6 >"$work/tree.expected"
diff -u "$work/tree.expected" "$work/tree" || fail "install tree under $prefix differs from the expected files"
pass "install tree holds the two programs and the two pages, nothing else"
for page in duelcoil solocoil; do
    MANWIDTH=80 man -P cat -l "$prefix/share/man/man6/$page.6" >"$work/$page.txt" 2>"$work/man.err" ||
        { cat "$work/man.err"; fail "man -l $page.6"; }
    [ ! -s "$work/man.err" ] || { cat "$work/man.err"; fail "man -l $page.6 printed on stderr"; }
    grep -q "^ *$page - .*snake game" "$work/$page.txt" || fail "man -l $page.6: no NAME line"
    tail -n 1 "$work/$page.txt" | grep -q "coil $version" || fail "man -l $page.6: footer lacks coil $version"
    pass "man -l renders the installed $page.6 with coil $version in its footer"
done

step "the package's control fields and contents"
field() { dpkg-deb --field "$deb" "$1"; }
dpkg-deb --info "$deb"
[ "$(field Package)" = "$package" ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
field Depends | grep -q 'libc6' || fail "Depends: '$(field Depends)' lacks libc6: dpkg-shlibdeps did not run?"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Description | sed -n 2p)" != "" ] || fail "no long description"
pass "control: $package $version, Section games, Depends $(field Depends)"
dpkg-deb --contents "$deb" | awk '$1 ~ /^-/ {print $NF}' | sort >"$work/contents"
printf '%s\n' ./usr/bin/duelcoil ./usr/bin/solocoil ./usr/share/man/man6/duelcoil.6 ./usr/share/man/man6/solocoil.6 >"$work/contents.expected"
diff -u "$work/contents.expected" "$work/contents" || fail "package contents differ from the expected files"
pass "package holds the two programs and the two pages, nothing else"

step "dpkg -i"
installed=yes
dpkg -i "$deb" >/dev/null
for program in duelcoil solocoil; do
    [ "$(command -v "$program")" = "/usr/bin/$program" ] ||
        fail "command -v $program gives '$(command -v "$program" || true)', not /usr/bin/$program"
    dpkg -S "/usr/bin/$program" | grep -q "^$package: " || fail "/usr/bin/$program does not belong to $package"
done
pass "command -v finds duelcoil and solocoil in /usr/bin, from $package"

# The installed program without a terminal: one line on stderr, status 1.
for program in duelcoil solocoil; do
    rc=0
    setsid -w "$program" </dev/null >"$work/notty.out" 2>"$work/notty.err" || rc=$?
    [ "$rc" = 1 ] || fail "$program without a terminal exited $rc, not 1"
    [ "$(wc -l <"$work/notty.err")" = 1 ] || { cat "$work/notty.err"; fail "$program without a terminal: not one line on stderr"; }
    pass "$program without a terminal: status 1, '$(cat "$work/notty.err")'"
done

# One installed program (/usr/bin, where command -v found it) in an 80x24
# UTF-8 tmux pane: waits for its first frame, checks the header, the walls
# and the snakes at their start cells (COL,ROW: a '*' while at rest), then
# quits with Escape and checks the exit status.
play() {
    local program=$1 header=$2
    shift 2
    local status=$work/$program.status screen=$work/$program.screen
    tmux -L "$tmux_socket" -f /dev/null -u new-session -d -s "$program" -x 80 -y 24 \
        "env LANG=C.UTF-8 /bin/sh -c '/usr/bin/$program; echo \$? >$status'"
    local i
    for i in $(seq 50); do
        tmux -L "$tmux_socket" capture-pane -p -t "$program" >"$screen" 2>/dev/null || true
        [ "$(sed -n 1p "$screen")" = "$header" ] && break
        sleep 0.1
    done
    [ "$(sed -n 1p "$screen")" = "$header" ] || { cat "$screen"; fail "$program: row 0 is not '$header'"; }
    # Row r of the screen is line r+1 of the capture; grep counts characters.
    local wall row
    wall=$(printf '█%.0s' $(seq 70))
    [ "$(sed -n 2p "$screen")" = "$wall" ] || { cat "$screen"; fail "$program: row 1 is not 70 wall cells"; }
    [ "$(sed -n 20p "$screen")" = "$wall" ] || { cat "$screen"; fail "$program: row 19 is not 70 wall cells"; }
    for row in $(seq 2 18); do
        sed -n "$((row + 1))p" "$screen" | grep -q '^█.\{68\}█' ||
            { cat "$screen"; fail "$program: row $row lacks its side walls"; }
    done
    local cell col
    for cell in "$@"; do
        col=${cell%,*} row=${cell#*,}
        sed -n "$((row + 1))p" "$screen" | grep -q "^.\{$col\}\*" ||
            { cat "$screen"; fail "$program: no snake at column $col, row $row"; }
    done
    pass "$program: first frame has the header, the walls and the snakes at $*"
    tmux -L "$tmux_socket" send-keys -t "$program" Escape
    for i in $(seq 50); do
        [ -s "$status" ] && break
        sleep 0.1
    done
    [ -s "$status" ] || { tmux -L "$tmux_socket" capture-pane -p -t "$program" || true; fail "$program did not exit on Escape"; }
    [ "$(cat "$status")" = 0 ] || fail "$program exited $(cat "$status") on Escape, not 0"
    pass "$program: Escape quits with status 0"
}

step "the installed programs in tmux"
play duelcoil "Length: 8  Score: 0          Time: 1          Length: 8  Score: 0" 10,10 60,10
play solocoil "Length: 10  Score: 0  Time: 1" 2,2

step "dpkg -r"
dpkg -r "$package" >/dev/null
installed=no
for program in duelcoil solocoil; do
    [ ! -e "/usr/bin/$program" ] || fail "/usr/bin/$program is still there after dpkg -r"
done
pass "dpkg -r removed both programs"

step "done"
echo "package: $checks passed, 0 failed"
