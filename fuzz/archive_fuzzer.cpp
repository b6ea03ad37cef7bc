// libFuzzer entry point of the archive fuzz target (built with clang -fsanitize=fuzzer).
#include "fuzz/archive_fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qx::RunArchiveFuzzInput(data, size);
    return 0;
}
