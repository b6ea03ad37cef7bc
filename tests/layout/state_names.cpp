// Prints the names of the engine's listed state (host/state_registry.h), one a line: the records
// of the show and those kept for the program's lifetime, not their fields. The static-state check
// compares them with the writable static storage the engine library defines.
#include <cstdio>
#include <cstring>

#include "host/state_registry.h"

int main() {
    for (const auto list : {qx::ShowStateRecords(), qx::ProgramLifetimeRecords()})
        for (const qx::StateRecord& record : list)
            if (std::strchr(record.name, '.') == nullptr) std::printf("%s\n", record.name);
    return 0;
}
