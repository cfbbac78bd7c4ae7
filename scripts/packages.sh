# Installs Debian packages that are missing: as root through apt-get, else through sudo, else
# prints the command to run. Sourced by setup.sh and build-windows.sh.

velkaro_missing_packages() {
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
            || echo "$package"
    done
}

velkaro_install_packages() {
    local missing
    mapfile -t missing < <(velkaro_missing_packages "$@")
    [ "${#missing[@]}" -eq 0 ] && return 0
    echo "velkaro: installing ${missing[*]}" >&2
    local apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "velkaro: these Debian packages are missing: ${missing[*]}" >&2
            echo "velkaro: run as root: apt-get update && apt-get install -y ${missing[*]}" >&2
            exit 1
        fi
        apt=(sudo "${apt[@]}")
    fi
    "${apt[@]}" update -q
    "${apt[@]}" install -y -q --no-install-recommends "${missing[@]}"
}
