# Shared by scripts/build-windows.sh and scripts/build-web.sh, which source it: Debian's source
# packages of the libraries they bundle, fetched once into $cache/src, and their builds. The
# sourcing script defines say, die, cannot_fetch (exit 75: no archive reachable), cache, jobs,
# nice_cmd, and configure_with: the command that configures a CMake project for its platform.

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Debian's source index, enabled for the running release when apt knows no source of SDL2 yet.
ensure_source_index() {
  if apt-cache showsrc libsdl2 2>/dev/null | grep -q '^Package:'; then
    return
  fi
  # shellcheck disable=SC1091
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || die "cannot tell the running Debian release from /etc/os-release"
  list=/etc/apt/sources.list.d/gloopa-deb-src.sources
  say "apt has no source index; enabling Debian's for $codename in $list"
  as_root tee "$list" >/dev/null <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $codename-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  # Another apt may hold the lists lock for a while; wait for it rather than fail.
  for attempt in 1 2 3 4 5 6 7 8 9 10; do
    if as_root apt-get update -qq -o DPkg::Lock::Timeout=120; then
      return
    fi
    say "apt-get update failed (attempt $attempt); retrying in 15 s"
    sleep 15
  done
  cannot_fetch "apt-get update failed"
}

# Unpacks Debian's source package $1 at version $2 into $cache/src and prints its folder.
fetch_source() {
  local package=$1 version=$2
  local dir=$cache/src/$package-${version#*:}
  if [ ! -f "$dir/.unpacked" ]; then
    ensure_source_index
    rm -rf "$dir" "$dir.tmp"
    mkdir -p "$dir.tmp"
    say "fetching the source of $package $version" >&2
    (cd "$dir.tmp" && apt-get source -qq "$package=$version" >&2) || {
      rm -rf "$dir.tmp"
      return 1
    }
    local unpacked
    unpacked=$(find "$dir.tmp" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    [ -n "$unpacked" ] || die "apt-get source $package=$version unpacked nothing"
    mv "$unpacked" "$dir"
    rm -rf "$dir.tmp"
    touch "$dir/.unpacked"
  fi
  echo "$dir"
}

# Configures, builds and installs the CMake project in $1 into $2 (once: an installed prefix is
# kept), with configure_with and the further CMake arguments given.
build_library() {
  local src=$1 prefix=$2
  shift 2
  if [ -f "$prefix/.installed" ]; then
    return
  fi
  rm -rf "$prefix" "$prefix.build"
  say "building $(basename "$src")"
  "${configure_with[@]}" -S "$src" -B "$prefix.build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >"$prefix.log" 2>&1 ||
    { tail -n 40 "$prefix.log" >&2; die "configuring $(basename "$src") failed; see $prefix.log"; }
  "${nice_cmd[@]}" cmake --build "$prefix.build" -j"$jobs" >>"$prefix.log" 2>&1 ||
    { tail -n 40 "$prefix.log" >&2; die "building $(basename "$src") failed; see $prefix.log"; }
  cmake --install "$prefix.build" >>"$prefix.log"
  rm -rf "$prefix.build"
  touch "$prefix/.installed"
}
