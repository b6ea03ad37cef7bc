// The program as the browser build runs it (emscripten). Its own file is the archive, kept
// beside the page or the Node script instead of appended to an executable: under Node (with the
// real file system) the file beside the script, in the page the copy its script fetched into the
// in-memory file system before the program started. The sound module is linked in, and its
// entry points are looked up in the table it exports instead of with dlsym. Sleeping hands the
// thread back to the browser until the time has passed (the page is built with Asyncify; the
// offline run never sleeps for real).
#include <emscripten.h>

#include <cstring>
#include <string>

#include "platform/os_services.h"

// The statically linked sound module's entry points by name, ended by a null name (defined by
// the sound module when it is built into the program).
struct QxSoundEntry {
    const char* name;
    void* address;
};
extern "C" const QxSoundEntry qxSoundEntries[];

namespace qx::os {

namespace {

constexpr const char kArchiveFileName[] = "QX_Marrowtide.archive";
// Any non-null handle stands for the linked-in module.
int linkedModule = 0;

}  // namespace

void SleepMilliseconds(uint32_t milliseconds) { emscripten_sleep(milliseconds); }

FileHandle OpenOwnExecutable() {
    // __dirname exists only under Node; the page's copy lies at the root of the memory file
    // system.
    const std::string folder =
        emscripten_run_script_string("typeof __dirname === 'string' ? __dirname + '/' : '/'");
    return OpenFile((folder + kArchiveFileName).c_str());
}

void* OpenLibraryBesideExecutable(const char*) { return &linkedModule; }

void* FindSymbol(void* library, const char* name) {
    if (library != &linkedModule) return nullptr;
    for (const QxSoundEntry* entry = qxSoundEntries; entry->name != nullptr; ++entry)
        if (std::strcmp(entry->name, name) == 0) return entry->address;
    return nullptr;
}

void CloseLibrary(void*) {}

// In the browser's worker (see web/seek_index_worker.js) a copy of the bytes goes to the page as
// a message; elsewhere (the page itself, Node) nobody takes them.
void PublishSeekIndexEntry(const uint8_t* bytes, size_t size) {
    EM_ASM(
        {
            if (typeof WorkerGlobalScope !== 'undefined' && self instanceof WorkerGlobalScope) {
                const copy = HEAPU8.slice($0, $0 + $1);
                postMessage({seekIndexEntry: copy.buffer}, [copy.buffer]);
            }
        },
        bytes, size);
}

}  // namespace qx::os
