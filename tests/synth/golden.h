// Golden checksums for parameter sweeps: one table of "name hash" lines in
// tests/synth/golden_hashes.txt. LUMEN_REGEN_GOLDEN=1 rewrites the rows a run
// produces (review the change with git diff); otherwise each hash must match.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace lumen::testing {

inline uint64_t fnv1a(const void* data, size_t size, uint64_t hash = 14695981039346656037ull) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

inline std::string goldenPath() { return LUMEN_SOURCE_DIR "/tests/synth/golden_hashes.txt"; }

inline std::map<std::string, std::string> readGoldenTable() {
    std::map<std::string, std::string> rows;
    std::ifstream in(goldenPath());
    std::string line;
    while (std::getline(in, line)) {
        const size_t space = line.rfind(' ');
        if (space != std::string::npos) rows[line.substr(0, space)] = line.substr(space + 1);
    }
    return rows;
}

// Checks (or, when regenerating, records) the hash stored under name.
inline void expectGolden(const std::string& name, uint64_t hash) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    std::map<std::string, std::string> rows = readGoldenTable();
    const char* regen = std::getenv("LUMEN_REGEN_GOLDEN");
    if (regen && std::string(regen) == "1") {
        rows[name] = hex;
        const std::string temporary = goldenPath() + ".part";
        {
            std::ofstream out(temporary);
            for (const auto& [key, value] : rows) out << key << ' ' << value << '\n';
        }
        std::rename(temporary.c_str(), goldenPath().c_str());
        return;
    }
    const auto found = rows.find(name);
    ASSERT_NE(found, rows.end()) << "no golden hash for '" << name << "': run with LUMEN_REGEN_GOLDEN=1";
    EXPECT_EQ(found->second, hex) << "golden hash of '" << name << "' changed";
}

}  // namespace lumen::testing
