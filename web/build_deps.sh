#!/usr/bin/env bash
# Builds the web build's third-party libraries (SDL2, libopenmpt) for emscripten from Debian's source packages into a per-machine cache.
#
# Usage: web/build_deps.sh [--print-prefix]
#
#   Builds once per machine, then returns at once. The libraries are built from
#   exactly the Debian source versions of the installed libsdl2-dev and
#   libopenmpt-dev, so the web build plays with the same library code as the
#   desktop build.
#
#   --print-prefix   print only the install prefix on standard output (after
#                    building if needed); everything else goes to standard error
#
# Cache: ${QX_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/marrowtide-web}/<key>/
#   prefix/include/SDL2/*.h, prefix/include/libopenmpt/*.h
#   prefix/lib/libSDL2.a, prefix/lib/libSDL2main.a, prefix/lib/libopenmpt.a
#   prefix/lib/pkgconfig/sdl2.pc, prefix/lib/pkgconfig/libopenmpt.pc
#   prefix/lib/cmake/SDL2/ (SDL's own CMake package files)
#   logs/         one log per step
#   work/         private apt lists, unpacked sources, build trees; removed after
#                 success unless QX_WEB_KEEP_WORK=1
#   built.stamp   written only after both libraries built and the self-check passed
# <key> names the three inputs, e.g. sdl2-2.26.5+dfsg-1_openmpt-0.6.9-1_emscripten-3.1.6~dfsg-5_r1;
# the trailing rN is this recipe's revision: bump it when a build flag below changes.
#
# libopenmpt is compiled with -fexceptions: it throws and catches internally (the C
# API reports those as errors). libopenmpt.pc's Libs carries -fexceptions so that
# programs link with the same exception support the archive was compiled for.
set -euo pipefail

readonly recipe=r1
me=build_deps

print_prefix=0
for arg in "$@"; do
    case $arg in
        --print-prefix) print_prefix=1 ;;
        -h | --help) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0" >&2; exit 0 ;;
        *) printf '%s: error: unknown argument %s (usage: web/build_deps.sh [--print-prefix])\n' "$me" "$arg" >&2; exit 2 ;;
    esac
done

die() { printf '%s: error: %s\n' "$me" "$*" >&2; exit 1; }
say() { printf '%s: %s\n' "$me" "$*" >&2; }

# emscripten's JS optimiser needs Debian's node modules (acorn).
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

root=${QX_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/marrowtide-web}
mkdir -p "$root" || die "cannot create the cache directory $root"

# step NAME FUNCTION [ARGS...]: runs one build step with its output in logs/NAME.log
# and prints one progress line with the elapsed time. A step explains a failure it
# understands by calling fail; otherwise the log is named.
step() {
    local name=$1 t0=$SECONDS rc
    shift
    local log=$logs/$name.log
    rm -f "$why"
    printf '%s: %-26s' "$me" "$name" >&2
    set +e
    ( set -e; "$@" ) >"$log" 2>&1
    rc=$?
    set -e
    if ((rc != 0)); then
        printf ' failed after %ds\n' $((SECONDS - t0)) >&2
        if [[ -s $why ]]; then die "$(<"$why") (log: $log)"; fi
        die "step $name failed (exit $rc); see $log"
    fi
    printf ' %5ds\n' $((SECONDS - t0)) >&2
}
fail() { printf '%s\n' "$*" >"$why"; exit 1; }

# --- Tools -------------------------------------------------------------------
# Each entry is "command package". Debian's emscripten and the desktop's -dev
# packages are checked as packages: their versions make the cache key, the -dev
# packages' source versions decide what is built, and the self-check compares the
# web build against them.
needed=(
    "dpkg-source dpkg-dev"
    "cmake cmake"
    "make make"
    "python3 python3"
    "node nodejs"
    "g++ g++"
    "pkg-config pkg-config"
)
missing=()
for entry in "${needed[@]}"; do
    command -v "${entry%% *}" >/dev/null 2>&1 || missing+=("${entry#* }")
done
for pkg in emscripten libsdl2-dev libopenmpt-dev; do
    [[ $(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null) == installed ]] || missing+=("$pkg")
done
if ((${#missing[@]})); then
    sudo=()
    if ((EUID != 0)); then
        command -v sudo >/dev/null 2>&1 || die "missing packages (${missing[*]}) and no sudo to install them"
        sudo=(sudo)
    fi
    t0=$SECONDS
    printf '%s: %-26s' "$me" "install ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    if ! { "${sudo[@]}" apt-get update -qq &&
        "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$root/install.log" 2>&1; then
        printf ' failed\n' >&2
        die "apt-get could not install ${missing[*]} (log: $root/install.log)"
    fi
    printf ' %5ds\n' $((SECONDS - t0)) >&2
fi

# --- Key -----------------------------------------------------------------------
read -r sdl_pkg sdl_ver < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' libsdl2-dev)
read -r mpt_pkg mpt_ver < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' libopenmpt-dev)
em_ver=$(dpkg-query -W -f='${Version}' emscripten)
key=sdl2-${sdl_ver}_openmpt-${mpt_ver}_emscripten-${em_ver}_${recipe}
dir=$root/$key
prefix=$dir/prefix
stamp=$dir/built.stamp

finish() {
    say "ready: $prefix"
    if ((print_prefix)); then printf '%s\n' "$prefix"; fi
    exit 0
}
built() { [[ -f $stamp && -f $prefix/lib/libSDL2.a && -f $prefix/lib/libopenmpt.a ]]; }
built && finish

# One build per key at a time; a second caller waits and then finds the stamp.
mkdir -p "$dir"
exec 9>"$dir/.lock"
if ! flock -n 9; then
    say "another run is building $key; waiting"
    flock 9
fi
built && finish

work=$dir/work
logs=$dir/logs
apt=$work/apt
why=$work/.why
mkdir -p "$work" "$logs" "$work/src" "$work/build"
say "building $key (logs in $logs)"
trap 'printf "\n%s: interrupted; no stamp written, a rerun resumes\n" "$me" >&2; exit 130' INT TERM
started=$SECONDS
jobs=$(nproc)

# --- Debian sources ------------------------------------------------------------------
# A private apt configuration: deb-src lines for the Debian archives this machine's
# apt uses, with its own lists and cache, so /etc/apt and /var/lib/apt stay untouched.
write_source_list() {
    local f
    {
        # deb822 stanzas (sources.list.d/*.sources) of Debian archives, as one-line deb-src entries
        for f in /etc/apt/sources.list.d/*.sources; do
            [[ -f $f ]] || continue
            awk 'BEGIN { RS = ""; FS = "\n" }
            {
                types = uris = suites = comps = signed = ""; enabled = 1
                for (i = 1; i <= NF; i++) {
                    if ($i ~ /^[ \t#]/) continue
                    k = tolower($i); sub(/:.*/, "", k)
                    v = $i; sub(/^[^:]*:[ \t]*/, "", v)
                    if (k == "types") types = v
                    else if (k == "uris") uris = v
                    else if (k == "suites") suites = v
                    else if (k == "components") comps = v
                    else if (k == "signed-by" && v ~ /^\//) signed = v
                    else if (k == "enabled" && tolower(v) == "no") enabled = 0
                }
                if (!enabled || types !~ /(^| )deb( |$)/ || uris !~ /debian/) next
                opt = signed == "" ? "" : "[signed-by=" signed "] "
                nu = split(uris, u, /[ \t]+/); ns = split(suites, s, /[ \t]+/)
                for (a = 1; a <= nu; a++) for (b = 1; b <= ns; b++)
                    print "deb-src " opt u[a] " " s[b] " " comps
            }' "$f"
        done
        # one-line entries (sources.list, sources.list.d/*.list)
        for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [[ -f $f ]] || continue
            sed -n -E 's/^[[:space:]]*deb[[:space:]]+(.*debian.*)$/deb-src \1/p' "$f"
        done
    } | sort -u >"$apt/sources.list"
    if [[ ! -s $apt/sources.list ]]; then
        # No Debian archive configured: fall back to the main mirror for this release.
        local codename
        codename=$(. /etc/os-release && printf '%s' "${VERSION_CODENAME:-bookworm}")
        printf 'deb-src http://deb.debian.org/debian %s main\n' "$codename" "$codename-updates" >"$apt/sources.list"
        printf 'deb-src http://deb.debian.org/debian-security %s-security main\n' "$codename" >>"$apt/sources.list"
    fi
}

apt_opts=(
    -o Dir::Etc::SourceList="$apt/sources.list"
    -o Dir::Etc::SourceParts=/dev/null
    -o Dir::State::Lists="$apt/lists"
    -o Dir::Cache="$apt/cache"
)
# As root apt hands downloads to the _apt user, who cannot write into a home directory.
((EUID == 0)) && apt_opts+=(-o APT::Sandbox::User=root)

update_source_lists() {
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
    write_source_list
    cat "$apt/sources.list"
    # apt-get update reports unreachable mirrors as warnings only: look for the indexes.
    apt-get "${apt_opts[@]}" update
    compgen -G "$apt/lists/*_Sources*" >/dev/null ||
        fail "cannot fetch Debian's source lists from $(grep -oE '[a-z]+://[^ ]+' "$apt/sources.list" | sort -u | paste -sd ' ')"
}

# fetch_source PACKAGE VERSION: downloads and unpacks one source package into work/src/PACKAGE
fetch_source() {
    local pkg=$1 ver=$2 dl=$work/src/$1.download
    rm -rf "$dl" "$work/src/$pkg.tmp"
    mkdir -p "$dl"
    if ! (cd "$dl" && apt-get "${apt_opts[@]}" --only-source --download-only source "$pkg=$ver") 2>&1 | tee "$dl.out"; then
        grep -q 'Can not find version' "$dl.out" &&
            fail "Debian source $pkg=$ver is not listed on the configured mirrors (superseded there?)"
        fail "could not download Debian source $pkg=$ver"
    fi
    rm -f "$dl.out"
    dpkg-source -x "$dl"/*.dsc "$work/src/$pkg.tmp"
    rm -rf "$dl"
    mv "$work/src/$pkg.tmp" "$work/src/$pkg"
}

fetch_sources() {
    [[ -d $work/src/$sdl_pkg ]] || fetch_source "$sdl_pkg" "$sdl_ver"
    [[ -d $work/src/$mpt_pkg ]] || fetch_source "$mpt_pkg" "$mpt_ver"
}

if [[ ! -d $work/src/$sdl_pkg || ! -d $work/src/$mpt_pkg ]]; then
    step apt-source-lists update_source_lists
    step fetch-sources fetch_sources
fi

# --- SDL2 ------------------------------------------------------------------------
# Static library only; emscripten's own SDL2 port would download, so it is not used.
# SDL_PTHREADS stays off: the web build runs single-threaded (no SharedArrayBuffer).
sdl_build=$work/build/sdl2
sdl_configure() {
    rm -rf "$sdl_build"
    emcmake cmake -S "$work/src/$sdl_pkg" -B "$sdl_build" -G "Unix Makefiles" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_INSTALL_LIBDIR=lib \
        -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_PTHREADS=OFF
    touch "$work/build/sdl2.configured"
}
sdl_build_install() {
    cmake --build "$sdl_build" -j "$jobs"
    cmake --install "$sdl_build"
    touch "$work/build/sdl2.installed"
}
[[ -f $work/build/sdl2.configured ]] || step sdl2-configure sdl_configure
[[ -f $work/build/sdl2.installed ]] || step sdl2-build sdl_build_install

# --- libopenmpt ----------------------------------------------------------------------
# The library core only, from the source lists of upstream's Makefile.am, without the
# optional codecs (zlib, mpg123, ogg, vorbis: MPT_WITH_* stay undefined) that tracker
# modules such as XM do not need. A generated makefile compiles in parallel and resumes.
mpt_src=$work/src/$mpt_pkg
mpt_build=$work/build/libopenmpt
mpt_cxxflags="-O2 -std=c++17 -fexceptions -fvisibility=hidden"

# Makefile.am: the .cpp files of libopenmpt_la_SOURCES, through the variables it adds.
mpt_sources() {
    awk '
        $2 == "+=" { add[$1] = add[$1] " " $3 }
        END {
            n = split(add["libopenmpt_la_SOURCES"], top, " ")
            for (i = 1; i <= n; i++) {
                if (top[i] ~ /^\$\(/) {
                    v = top[i]; gsub(/[$()]/, "", v)
                    m = split(add[v], files, " ")
                    for (j = 1; j <= m; j++) print files[j]
                } else print top[i]
            }
        }' "$mpt_src/Makefile.am" | grep -E '\.cpp$'
}

mpt_compile() {
    mkdir -p "$mpt_build"
    local sources
    sources=$(mpt_sources)
    [[ -n $sources ]] || fail "no libopenmpt sources found in $mpt_src/Makefile.am"
    # The package identity configure would define (version URL, revision, date).
    sed -n -E 's/^AC_DEFINE\(\[(MPT_SVNURL|MPT_SVNVERSION|MPT_SVNDATE|MPT_PACKAGE)\], \[(.*)\], \[.*\]\)$/#define \1 \2/p' \
        "$mpt_src/configure.ac" >"$mpt_build/package_defines.h"
    grep -q MPT_SVNVERSION "$mpt_build/package_defines.h" || fail "no package version defines in $mpt_src/configure.ac"
    {
        printf 'SRC := %s\n' "$mpt_src"
        printf 'CXXFLAGS := %s\n' "$mpt_cxxflags"
        printf 'CPPFLAGS := -DLIBOPENMPT_BUILD -include %s/package_defines.h -I$(SRC)/build/svn_version -I$(SRC) -I$(SRC)/src -I$(SRC)/common\n' "$mpt_build"
        printf 'OBJS := %s\n' "$(sed 's/\.cpp$/.o/' <<<"$sources" | tr '\n' ' ')"
        printf 'libopenmpt.a: $(OBJS)\n'
        printf '\trm -f $@.tmp && emar rcs $@.tmp $^ && mv $@.tmp $@\n'
        printf '$(OBJS): %%.o: $(SRC)/%%.cpp\n'
        printf '\t@mkdir -p $(@D)\n'
        printf '\tem++ $(CPPFLAGS) $(CXXFLAGS) -c $< -o $@\n'
    } >"$mpt_build/Makefile"
    printf '%s\n' "$sources" | wc -l
    make -C "$mpt_build" -j "$jobs" libopenmpt.a
}

mpt_install() {
    local version h
    version=$(sed -n -E 's/^AC_INIT\(\[libopenmpt\], \[([^]]*)\].*/\1/p' "$mpt_src/configure.ac")
    [[ -n $version ]] || fail "no version in $mpt_src/configure.ac"
    mkdir -p "$prefix/include/libopenmpt" "$prefix/lib/pkgconfig"
    for h in $(awk '$1 == "nobase_include_HEADERS" && $2 == "+=" { print $3 }' "$mpt_src/Makefile.am"); do
        cp "$mpt_src/$h" "$prefix/include/$h"
    done
    cp "$mpt_build/libopenmpt.a" "$prefix/lib/libopenmpt.a"
    sed -e "s|@prefix@|$prefix|" -e 's|@exec_prefix@|${prefix}|' \
        -e 's|@includedir@|${prefix}/include|' -e 's|@libdir@|${exec_prefix}/lib|' \
        -e "s|@VERSION@|$version|" -e 's|@LIBOPENMPT_REQUIRES_PRIVATE@||' -e 's|@LIBOPENMPT_LIBS_PRIVATE@||' \
        -e 's|^Libs: .*|& -fexceptions|' \
        "$mpt_src/libopenmpt/libopenmpt.pc.in" >"$prefix/lib/pkgconfig/libopenmpt.pc"
    ! grep -n '@' "$prefix/lib/pkgconfig/libopenmpt.pc" || fail "unsubstituted fields in libopenmpt.pc"
    cat "$prefix/lib/pkgconfig/libopenmpt.pc"
    touch "$work/build/libopenmpt.installed"
}
if [[ ! -f $work/build/libopenmpt.installed ]]; then
    step libopenmpt-build mpt_compile
    step libopenmpt-install mpt_install
fi

# --- Self-check --------------------------------------------------------------------
# One small program, built natively against the desktop's libraries and with em++
# against the prefix (through its pkg-config files), run under node: both must print
# the same line (library versions, an SDL surface conversion, one second of a song
# rendered by libopenmpt with dither off).
write_check_program() {
    cat >"$1" <<'EOF'
#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

uint32_t Fnv1a(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 16777619u;
    return h;
}

void PutBe16(std::vector<uint8_t>& v, size_t at, unsigned x) {
    v[at] = uint8_t(x >> 8);
    v[at + 1] = uint8_t(x & 0xFF);
}

// A four-channel ProTracker module of one pattern: a looped 64-byte saw sample,
// four notes, vibrato, a volume slide and an arpeggio.
std::vector<uint8_t> MakeModule() {
    const size_t kHeader = 1084, kPattern = 64 * 4 * 4, kSample = 64;
    std::vector<uint8_t> mod(kHeader + kPattern + kSample, 0);
    std::memcpy(mod.data(), "deps self-check", 15);
    for (int i = 0; i < 31; ++i) PutBe16(mod, 20 + i * 30 + 28, 1);  // empty: loop of 1 word
    PutBe16(mod, 20 + 22, kSample / 2);                               // sample 1: length in words
    mod[20 + 25] = 64;                                                // volume
    PutBe16(mod, 20 + 28, kSample / 2);                               // loop over all of it
    mod[950] = 1;                                                     // one order: pattern 0
    mod[951] = 127;
    std::memcpy(&mod[1080], "M.K.", 4);
    auto cell = [&](int row, int channel, unsigned period, unsigned effect, unsigned param) {
        uint8_t* c = &mod[kHeader + size_t(row * 4 + channel) * 4];
        c[0] = uint8_t(period >> 8);
        c[1] = uint8_t(period & 0xFF);
        c[2] = uint8_t(0x10 | effect);  // sample 1
        c[3] = uint8_t(param);
    };
    cell(0, 0, 428, 0x0, 0x00);
    cell(0, 1, 339, 0x4, 0x46);
    cell(8, 2, 285, 0xA, 0x02);
    cell(16, 3, 214, 0x0, 0x37);
    for (size_t i = 0; i < kSample; ++i) mod[kHeader + kPattern + i] = uint8_t(int(i) * 4 - 128);
    return mod;
}

}  // namespace

int main(int, char**) {
    SDL_version sdl;
    SDL_GetVersion(&sdl);

    SDL_Surface* argb = SDL_CreateRGBSurfaceWithFormat(0, 16, 16, 32, SDL_PIXELFORMAT_ARGB8888);
    if (argb == nullptr) return 1;
    const SDL_Rect box{3, 2, 9, 11};
    SDL_FillRect(argb, nullptr, SDL_MapRGB(argb->format, 10, 20, 30));
    SDL_FillRect(argb, &box, SDL_MapRGB(argb->format, 200, 100, 50));
    SDL_Surface* rgb565 = SDL_ConvertSurfaceFormat(argb, SDL_PIXELFORMAT_RGB565, 0);
    if (rgb565 == nullptr) return 1;
    const uint32_t surface = Fnv1a(rgb565->pixels, size_t(rgb565->pitch) * size_t(rgb565->h));

    const std::vector<uint8_t> file = MakeModule();
    openmpt_module* song = openmpt_module_create_from_memory2(
        file.data(), file.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, nullptr, nullptr, nullptr);
    if (song == nullptr) {
        std::fprintf(stderr, "libopenmpt did not load the test module\n");
        return 1;
    }
    openmpt_module_ctl_set_integer(song, "dither", 0);
    std::vector<int16_t> pcm(2 * 48000);
    const size_t frames = openmpt_module_read_interleaved_stereo(song, 48000, 48000, pcm.data());
    long peak = 0;
    for (int16_t v : pcm) peak = std::labs(v) > peak ? std::labs(v) : peak;
    const char* version = openmpt_get_string("library_version");
    std::printf("libopenmpt %s, SDL %d.%d.%d, surface %08x, song %zu frames peak %ld pcm %08x\n",
                version, sdl.major, sdl.minor, sdl.patch, unsigned(surface), frames, peak,
                unsigned(Fnv1a(pcm.data(), pcm.size() * sizeof(int16_t))));
    openmpt_free_string(version);
    openmpt_module_destroy(song);
    SDL_FreeSurface(rgb565);
    SDL_FreeSurface(argb);
    return frames == 48000 && peak > 0 ? 0 : 1;
}
EOF
}

self_check() {
    local check=$work/check native web
    rm -rf "$check"
    mkdir -p "$check"
    write_check_program "$check/check.cpp"
    # shellcheck disable=SC2046  # pkg-config output is a list of flags
    g++ -O2 -std=c++17 "$check/check.cpp" -o "$check/native" $(pkg-config --cflags --libs sdl2 libopenmpt)
    # shellcheck disable=SC2046
    em++ -O2 -std=c++17 -sEXIT_RUNTIME=1 "$check/check.cpp" -o "$check/web.js" \
        $(PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH='' pkg-config --cflags --libs sdl2 libopenmpt)
    native=$("$check/native") || fail "the self-check failed natively"
    # node 18+ has a global fetch, which emscripten 3.1.6's loader would use for the .wasm file path.
    web=$(node --no-experimental-fetch "$check/web.js") || fail "the self-check failed under node"
    printf 'native: %s\nweb:    %s\n' "$native" "$web"
    [[ $web == "$native" ]] || fail "the web build differs from the desktop libraries: web '$web', native '$native'"
    printf '%s\n' "$web" >"$work/check.out"
}
step self-check self_check

{
    printf 'key %s\n' "$key"
    printf 'sources %s=%s %s=%s\n' "$sdl_pkg" "$sdl_ver" "$mpt_pkg" "$mpt_ver"
    printf 'emscripten %s\n' "$em_ver"
    printf 'libopenmpt cxxflags %s\n' "$mpt_cxxflags"
    printf 'check %s\n' "$(<"$work/check.out")"
    printf 'built %s in %ds\n' "$(date -u +%Y-%m-%dT%H:%M:%SZ)" $((SECONDS - started))
} >"$stamp.tmp"
mv "$stamp.tmp" "$stamp"
say "built in $((SECONDS - started))s: $(sed -n 's/^check //p' "$stamp")"

[[ ${QX_WEB_KEEP_WORK:-0} == 1 ]] || rm -rf "$work"
finish
