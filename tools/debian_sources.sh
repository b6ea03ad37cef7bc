# shellcheck shell=bash disable=SC2154  # me, mpt_* and built() come from the sourcing script
# Sourced by web/build_deps.sh and windows/build_deps.sh: the machinery both share for building
# third-party libraries from Debian's source packages into a per-machine cache.
#
#   me, die, say          messages, each line prefixed with the script's name
#   parse_args USAGE ...  the scripts' one option, --print-prefix (sets print_prefix)
#   need_commands, need_packages, install_missing
#                         apt-get installs whatever is missing (sudo only when not root)
#   open_cache ROOT KEY   ROOT/KEY/{prefix,logs,work,built.stamp}: returns at once through
#                         finish when the caller's built() says so, else takes the key's lock
#   step, fail            one build step with its output in logs/NAME.log
#   update_source_lists, fetch_source
#                         a private apt configuration for Debian's source packages
#   write_check_program   the self-check program's source
#   close_cache KEEP      writes the stamp (its lines on standard input), removes work/
#                         unless KEEP is 1, and finishes
#
# The caller sets me before sourcing, defines built() before open_cache, and runs with
# set -euo pipefail.

die() { printf '%s: error: %s\n' "$me" "$*" >&2; exit 1; }
say() { printf '%s: %s\n' "$me" "$*" >&2; }

# parse_args USAGE "$@": the help text is the calling script's header comment.
print_prefix=0
parse_args() {
    local usage=$1 arg
    shift
    for arg in "$@"; do
        case $arg in
            --print-prefix) print_prefix=1 ;;
            -h | --help) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0" >&2; exit 0 ;;
            *) printf '%s: error: unknown argument %s (usage: %s)\n' "$me" "$arg" "$usage" >&2; exit 2 ;;
        esac
    done
}

# --- Tools and packages ------------------------------------------------------------
# need_commands "COMMAND PACKAGE"...: PACKAGE is installed when COMMAND is not on the PATH.
# need_packages PACKAGE...: for packages checked by their installed state (libraries,
# packages whose versions make a cache key).
missing=()
need_commands() {
    local entry
    for entry in "$@"; do
        command -v "${entry%% *}" >/dev/null 2>&1 || missing+=("${entry#* }")
    done
}
need_packages() {
    local pkg
    for pkg in "$@"; do
        [[ $(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null) == installed ]] || missing+=("$pkg")
    done
}
# install_missing ROOT: apt-get's output goes to ROOT/install.log.
install_missing() {
    local root=$1 t0=$SECONDS sudo=()
    ((${#missing[@]})) || return 0
    mkdir -p "$root" || die "cannot create the cache directory $root"
    if ((EUID != 0)); then
        command -v sudo >/dev/null 2>&1 || die "missing packages (${missing[*]}) and no sudo to install them"
        sudo=(sudo)
    fi
    printf '%s: %-26s' "$me" "install ${missing[*]}" >&2
    if ! { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$root/install.log" 2>&1; then
        printf ' failed\n' >&2
        die "apt-get could not install ${missing[*]} (log: $root/install.log)"
    fi
    printf ' %5ds\n' $((SECONDS - t0)) >&2
    missing=()
}

# --- Cache -----------------------------------------------------------------------------
finish() {
    say "ready: $prefix"
    if ((print_prefix)); then printf '%s\n' "$prefix"; fi
    exit 0
}

# open_cache ROOT KEY: sets dir, prefix, stamp, work, logs, apt, why, started, jobs.
# One build per key at a time; a second caller waits and then finds the stamp.
open_cache() {
    local root=$1
    key=$2
    dir=$root/$key
    prefix=$dir/prefix
    stamp=$dir/built.stamp
    built && finish
    mkdir -p "$dir" || die "cannot create the cache directory $dir"
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
    apt_opts=(
        -o Dir::Etc::SourceList="$apt/sources.list"
        -o Dir::Etc::SourceParts=/dev/null
        -o Dir::State::Lists="$apt/lists"
        -o Dir::Cache="$apt/cache"
    )
    # As root apt hands downloads to the _apt user, who cannot write into a home directory.
    ((EUID == 0)) && apt_opts+=(-o APT::Sandbox::User=root)
    return 0
}

# close_cache KEEP: the stamp's lines come on standard input; a "built" line is added.
close_cache() {
    { cat; printf 'built %s in %ds\n' "$(date -u +%Y-%m-%dT%H:%M:%SZ)" $((SECONDS - started)); } >"$stamp.tmp"
    mv "$stamp.tmp" "$stamp"
    say "built in $((SECONDS - started))s: $(sed -n 's/^check //p' "$stamp")"
    [[ $1 == 1 ]] || rm -rf "$work"
    finish
}

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

update_source_lists() {
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
    write_source_list
    cat "$apt/sources.list"
    # apt-get update reports unreachable mirrors as warnings only: look for the indexes.
    apt-get "${apt_opts[@]}" update
    compgen -G "$apt/lists/*_Sources*" >/dev/null ||
        fail "cannot fetch Debian's source lists from $(grep -oE '[a-z]+://[^ ]+' "$apt/sources.list" | sort -u | paste -sd ' ')"
}

# source_candidates PACKAGE VERSION: the versions to try for an installed VERSION, best
# first: VERSION itself when the mirrors list it, then the listed revisions of the same
# upstream version, newest first (a security update supersedes a revision on the mirror
# while the installed -dev package still names the old one; a mirror caught mid-update
# may list a revision whose files are not there yet).
source_candidates() {
    local pkg=$1 ver=$2
    apt-cache "${apt_opts[@]}" showsrc "$pkg" 2>/dev/null |
        awk -v p="$pkg" '$1 == "Package:" { ours = ($2 == p) } ours && $1 == "Version:" { print $2 }' |
        sort -u | while read -r v; do
            if [[ $v == "$ver" ]]; then
                printf '1 %s\n' "$v"
            elif [[ ${v%-*} == "${ver%-*}" ]]; then
                printf '2 %s\n' "$v"
            fi
        done | sort -k1,1n -k2,2Vr | cut -d' ' -f2
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

# --- Self-check program ------------------------------------------------------------
# write_check_program FILE: one small program built by each target natively against the
# desktop's libraries and for the target against the prefix; both builds must print the
# same line (library versions, an SDL surface conversion, one second of a song rendered
# by libopenmpt with dither off). Compiled with -DQX_CHECK_PNG it also writes a picture
# to PNG in memory with libpng, reads it back and adds the result to the line.
write_check_program() {
    cat >"$1" <<'EOF'
#include <SDL.h>
#include <libopenmpt/libopenmpt.h>
#ifdef QX_CHECK_PNG
#include <png.h>
#endif

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

#ifdef QX_CHECK_PNG
// An RGBA gradient with a translucent stripe, written to PNG in memory and read back.
// Prints the pixels' hash, or "png failed" when the round trip loses anything.
void PngRoundTrip() {
    const int kW = 37, kH = 23;
    std::vector<uint8_t> rgba(size_t(kW) * kH * 4);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            uint8_t* p = &rgba[(size_t(y) * kW + x) * 4];
            p[0] = uint8_t(x * 7);
            p[1] = uint8_t(y * 11);
            p[2] = uint8_t((x ^ y) * 5);
            p[3] = y % 5 == 2 ? 128 : 255;
        }
    png_image out{};
    out.version = PNG_IMAGE_VERSION;
    out.width = kW;
    out.height = kH;
    out.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    std::vector<uint8_t> file;
    bool ok = png_image_write_to_memory(&out, nullptr, &size, 0, rgba.data(), 0, nullptr) != 0;
    if (ok) {
        file.resize(size);
        ok = png_image_write_to_memory(&out, file.data(), &size, 0, rgba.data(), 0, nullptr) != 0;
    }
    png_image in{};
    in.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> back;
    if (ok) ok = png_image_begin_read_from_memory(&in, file.data(), size) != 0;
    if (ok) {
        in.format = PNG_FORMAT_RGBA;
        back.resize(PNG_IMAGE_SIZE(in));
        ok = png_image_finish_read(&in, nullptr, back.data(), 0, nullptr) != 0;
    }
    if (!ok || back != rgba) {
        std::printf(", png failed");
        return;
    }
    std::printf(", libpng %s png %ux%u %08x", png_get_libpng_ver(nullptr), unsigned(in.width),
                unsigned(in.height), unsigned(Fnv1a(back.data(), back.size())));
}
#endif

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
    std::printf("libopenmpt %s, SDL %d.%d.%d, surface %08x, song %zu frames peak %ld pcm %08x",
                version, sdl.major, sdl.minor, sdl.patch, unsigned(surface), frames, peak,
                unsigned(Fnv1a(pcm.data(), pcm.size() * sizeof(int16_t))));
#ifdef QX_CHECK_PNG
    PngRoundTrip();
#endif
    std::printf("\n");
    openmpt_free_string(version);
    openmpt_module_destroy(song);
    SDL_FreeSurface(rgb565);
    SDL_FreeSurface(argb);
    return frames == 48000 && peak > 0 ? 0 : 1;
}
EOF
}

# --- libopenmpt ----------------------------------------------------------------------
# The library core only, from the source lists of upstream's Makefile.am, without the
# optional codecs (zlib, mpg123, ogg, vorbis: MPT_WITH_* stay undefined) that tracker
# modules such as XM do not need. A generated makefile compiles in parallel and resumes.
# The caller sets mpt_src, mpt_build, mpt_cxx (compiler), mpt_ar (archiver), mpt_cxxflags
# and mpt_libs (added to libopenmpt.pc's Libs).

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
        printf '\trm -f $@.tmp && %s rcs $@.tmp $^ && mv $@.tmp $@\n' "$mpt_ar"
        printf '$(OBJS): %%.o: $(SRC)/%%.cpp\n'
        printf '\t@mkdir -p $(@D)\n'
        printf '\t%s $(CPPFLAGS) $(CXXFLAGS) -c $< -o $@\n' "$mpt_cxx"
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
        -e "s|^Libs: .*|& $mpt_libs|" \
        "$mpt_src/libopenmpt/libopenmpt.pc.in" >"$prefix/lib/pkgconfig/libopenmpt.pc"
    ! grep -n '@' "$prefix/lib/pkgconfig/libopenmpt.pc" || fail "unsubstituted fields in libopenmpt.pc"
    cat "$prefix/lib/pkgconfig/libopenmpt.pc"
    touch "$work/build/libopenmpt.installed"
}
