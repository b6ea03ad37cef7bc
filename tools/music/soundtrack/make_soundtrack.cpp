// qx_make_soundtrack FILE: composes the soundtrack and writes it, exactly 1,130,844 bytes, as the
// XM module of archive entry 21.
#include <cstdio>
#include <vector>

#include "tools/archive/file_io.h"
#include "tools/music/soundtrack/composer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qx_make_soundtrack FILE\n");
        return 64;
    }
    const std::vector<uint8_t> song = qx::MakeSoundtrack();
    if (song.empty()) {
        std::fprintf(stderr, "qx_make_soundtrack: the song does not fit its size\n");
        return 1;
    }
    if (!qx::WriteWholeFile(argv[1], song.data(), song.size())) {
        std::fprintf(stderr, "qx_make_soundtrack: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
