# Sourced by the CI scripts. `need PACKAGE...` installs, quietly, the Debian
# packages among those named that are not installed yet (CI runs as root on a
# fresh machine, without standard input). The package lists are read once.
need() {
    local missing=() package
    for package in "$@"; do
        [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" = installed ] || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    printf 'installing %s\n' "${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if [ -z "${COIL_APT_UPDATED:-}" ]; then
        apt-get update -qq
        export COIL_APT_UPDATED=1
    fi
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
