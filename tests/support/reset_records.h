// Setting state records back to their program-image values, several at once, as test fixtures do
// between tests.
#pragma once

namespace qx::test {

// record = {} for every record given, in order.
template <typename... Records>
void ResetRecords(Records&... records) {
    ((records = {}), ...);
}

}  // namespace qx::test
