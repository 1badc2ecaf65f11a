# Sourced by tools/windows.sh and tools/web.sh: installs missing Debian packages, and fetches Debian's
# own source packages of the libraries a cross-build links, through a private deb-src list beside the
# cache (the system's apt configuration stays as it is). Sourced first, it enters the source tree and
# sets `root` (that folder), `what` (the script's argument: all, or libraries), `tool` (the script's
# name, for messages) and `cache` (the folder the sources' lists and the built libraries live in).
cd "$(dirname "$0")/.."
root=$(pwd)
what=${1:-all}
tool=$(basename "$0")
cache=${XDG_CACHE_HOME:-$HOME/.cache}/glimmerhorn

. tools/packages.sh

# The private list names the archive the system's own list names.
apt_dir=$cache/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources.list.d"
archive=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*debian\)[[:space:]]*$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
[ -n "$archive" ] || archive=http://deb.debian.org/debian
cat >"$apt_dir/sources.list.d/glimmerhorn.sources" <<SOURCES
Types: deb-src
URIs: $archive
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
# apt's download user cannot enter a root's cache folder: as root it downloads as root.
[ "$(id -u)" -ne 0 ] || sandbox="-o APT::Sandbox::User=root"
private_apt() {
    # shellcheck disable=SC2086
    "$@" -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources.list.d" \
        -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" -o Debug::NoLocking=1 ${sandbox:-}
}

# Fetches the source lists; with no archive in reach the lists fetched before serve.
sources_update() {
    if ! private_apt apt-get update -qq; then
        ls "$apt_dir"/lists/*Sources* >/dev/null 2>&1 || { echo "$tool: the source lists cannot be fetched" >&2; exit 1; }
        echo "$tool: the archive cannot be reached; using the source lists fetched before" >&2
    fi
}

# Sets `versions` to "name=version" of each named source package, the newest the lists hold.
sources_versions() {
    versions=""
    for library in "$@"; do
        version=$(private_apt apt-cache showsrc "$library" | sed -n 's/^Version: //p' | sort -V | tail -n 1)
        [ -n "$version" ] || { echo "$tool: no source package $library" >&2; exit 1; }
        versions="$versions $library=$version"
    done
}

# The cache key of a build: its arguments (versions, compilers, flags, build steps) hashed.
cache_key() {
    printf '%s\n' "$@" | sha256sum | cut -c1-16
}

# The lines of function $1 in file $2, from its opening line to its closing brace: the build steps
# that go into the cache key.
function_text() {
    sed -n "/^$1() {\$/,/^}\$/p" "$2"
}

# Builds the libraries of `versions` into `prefix`: fetches their sources into the folder `work`, then
# function $1 builds them from there into the folder `stage` and puts in $stage/licenses the licences
# of what the program carries. Its lines go into the cache key with those of $1.
libraries_build() {
    work=$cache/work-$key
    stage=$prefix.partial
    rm -rf "$work" "$stage"
    mkdir -p "$work" "$stage/licenses"
    sources_fetch "$work"
    "$1"
    echo "$versions" | tr ' ' '\n' | sed '/^$/d' >"$stage/versions"
    rm -rf "$stage/bin" "$stage/share/man" "$stage/share/doc"
    mv "$stage" "$prefix"
    rm -rf "$work"
}

# Builds the libraries with function $1 (as libraries_build) unless `prefix` holds them already; when
# the caller's `what` is "libraries", prints their folder and ends.
libraries_cached() {
    if [ ! -f "$prefix/versions" ]; then
        started=$(date +%s)
        libraries_build "$1"
        echo "$tool: libraries built in $(($(date +%s) - started)) s, cached in $prefix"
    fi
    if [ "$what" = libraries ]; then
        echo "$prefix"
        exit 0
    fi
}

# Downloads the source packages of `versions` into folder $1 and unpacks each into $1/NAME.
sources_fetch() {
    (cd "$1" && for pinned in $versions; do
        private_apt apt-get source --download-only -qq "$pinned"
    done)
    # apt checked the files against the archive's signed lists; dpkg-source's own check of the
    # uploader's signature (no keyring here) only makes noise, kept in a log unless unpacking fails
    for dsc in "$1"/*.dsc; do
        name=$(basename "$dsc" .dsc | sed 's/_.*//')
        dpkg-source -x --skip-debianization "$dsc" "$1/$name" >"$1/$name.log" 2>&1 ||
            { cat "$1/$name.log" >&2; exit 1; }
    done
}
