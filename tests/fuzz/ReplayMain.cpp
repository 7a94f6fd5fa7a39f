// SPDX-License-Identifier: GPL-3.0-or-later

// Runs a fuzz target without libFuzzer, as the ordinary build's tests do:
// every file named, and every file under every folder named, is given to the
// target once, in the order of their paths. Any fault the target finds stops
// the program, as it would stop the fuzzer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool AddInputs(const fs::path& path, std::vector<fs::path>& inputs)
{
    std::error_code error;
    if (fs::is_directory(path, error)) {
        std::vector<fs::path> found;
        for (fs::recursive_directory_iterator it(path, error), end; !error && it != end; it.increment(error))
            if (it->is_regular_file(error))
                found.push_back(it->path());
        if (error)
            return false;
        std::sort(found.begin(), found.end());
        inputs.insert(inputs.end(), found.begin(), found.end());
        return true;
    }
    if (!fs::is_regular_file(path, error))
        return false;
    inputs.push_back(path);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (!AddInputs(argv[i], inputs)) {
            std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
            return 2;
        }
    }
    for (const fs::path& input : inputs) {
        std::ifstream file(input, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "%s: cannot be opened\n", input.c_str());
            return 2;
        }
        // Exactly the file's bytes, so that a read past their end is one past the buffer.
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        if (file.bad()) {
            std::fprintf(stderr, "%s: cannot be read\n", input.c_str());
            return 2;
        }
        std::fprintf(stderr, "%s\n", input.c_str());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
