// Golden checksums for parameter sweeps: one table of hashes, golden_hashes.txt
// beside this file. LUMEN_REGEN_GOLDEN=1 rewrites the entries a run computes;
// review the change with `git diff` before committing it.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace lumen::testing {

// FNV-1a over bytes, continued from `hash`.
class Checksum {
public:
    void addBytes(const void* data, size_t size);
    template <typename T>
    void add(const T& value) {
        addBytes(&value, sizeof value);
    }
    uint64_t value() const { return hash_; }

private:
    uint64_t hash_ = 14695981039346656037ull;
};

// Compares `hash` with the table's entry for `key`, or records it when the
// switch is set.
::testing::AssertionResult matchesGolden(const std::string& key, uint64_t hash);

}  // namespace lumen::testing
