// Environment variables a test sets for the code under test (the sound module's SDL audio
// driver, its simulated faults), on POSIX and on Windows, whose C runtime has no setenv.
#pragma once

#include <cstdlib>

namespace qx::test {

inline void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

inline void UnsetEnvironment(const char* name) {
#ifdef _WIN32
    _putenv_s(name, "");  // an empty value removes the variable
#else
    unsetenv(name);
#endif
}

}  // namespace qx::test
