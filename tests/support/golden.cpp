// The golden table: "key hex-hash" lines, sorted, rewritten through a temp file
// under a lock so programs regenerating at once do not lose each other's lines.
#include "support/golden.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace lumen::testing {

void Checksum::addBytes(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) hash_ = (hash_ ^ p[i]) * 1099511628211ull;
}

namespace {

std::map<std::string, std::string> readTable(const std::string& path) {
    std::map<std::string, std::string> table;
    std::ifstream in(path);
    std::string key, hash;
    while (in >> key >> hash) table[key] = hash;
    return table;
}

std::string hex(uint64_t v) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

}  // namespace

::testing::AssertionResult matchesGolden(const std::string& key, uint64_t hash) {
    const std::string path = LUMEN_GOLDEN_TABLE;
    const char* regen = std::getenv("LUMEN_REGEN_GOLDEN");
    if (regen && std::string(regen) == "1") {
        const int lock = open("/tmp/lumen-golden.lock", O_CREAT | O_RDWR, 0644);
        if (lock >= 0) flock(lock, LOCK_EX);
        auto table = readTable(path);
        table[key] = hex(hash);
        const std::string temp = path + ".tmp";
        {
            std::ofstream out(temp);
            for (const auto& [k, h] : table) out << k << ' ' << h << '\n';
        }
        std::rename(temp.c_str(), path.c_str());
        if (lock >= 0) close(lock);
        return ::testing::AssertionSuccess();
    }
    const auto table = readTable(path);
    const auto it = table.find(key);
    if (it == table.end())
        return ::testing::AssertionFailure()
               << "no golden entry " << key << " in " << path << "; run with LUMEN_REGEN_GOLDEN=1 and review git diff";
    if (it->second != hex(hash))
        return ::testing::AssertionFailure() << key << ": hash " << hex(hash) << ", golden " << it->second;
    return ::testing::AssertionSuccess();
}

}  // namespace lumen::testing
