// The helper program of the child-process tests on Windows, where no shell is at hand: each mode
// does what the tests ask of sh elsewhere.
//   copy OUT0 INPUT1 OUT1   standard input into OUT0 to its end, then the file INPUT1 (the named
//                           pipe of the second input) into OUT1
//   fail                    two lines on standard error, one on standard output, exit 3
//   close                   closes standard input and exits 0 without reading
//   sleep                   waits ten minutes
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

bool Copy(std::FILE* from, const char* toName) {
    std::FILE* to = std::fopen(toName, "wb");
    if (from == nullptr || to == nullptr) return false;
    static char block[1 << 16];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, from)) > 0)
        if (std::fwrite(block, 1, n, to) != n) return false;
    return std::fclose(to) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "copy") == 0 && argc == 5) {
        _setmode(_fileno(stdin), _O_BINARY);
        if (!Copy(stdin, argv[2])) return 1;
        std::FILE* second = std::fopen(argv[3], "rb");
        return Copy(second, argv[4]) ? 0 : 1;
    }
    if (std::strcmp(mode, "fail") == 0) {
        std::fputs("first\nthe last words\n", stderr);
        std::puts("out");
        return 3;
    }
    if (std::strcmp(mode, "close") == 0) {
        std::fclose(stdin);
        return 0;
    }
    if (std::strcmp(mode, "sleep") == 0) {
        std::this_thread::sleep_for(std::chrono::minutes(10));
        return 0;
    }
    std::fprintf(stderr, "usage: qx_child_helper copy OUT0 INPUT1 OUT1 | fail | close | sleep\n");
    return 64;
}
