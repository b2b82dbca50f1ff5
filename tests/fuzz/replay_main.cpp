// Runs a fuzz target's input function over files, as libFuzzer replays a corpus, so that the
// ordinary build (which has no libFuzzer) keeps every seed and every past finding passing:
//   <target>_replay [--max-bytes=N] [--extensions=.jpg,.bmp] PATH...
// A folder is read recursively. An input that breaks a promise aborts inside the target; finding
// no input at all is a failure too, so that a moved corpus cannot pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Only some targets define it.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');)
        if (!part.empty()) parts.push_back(Lower(part));
    return parts;
}

}  // namespace

int main(int argc, char** argv) {
    std::uintmax_t max_bytes = 0;  // 0: any size
    std::vector<std::string> extensions;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--max-bytes=", 0) == 0) {
            max_bytes = std::stoull(arg.substr(12));
        } else if (arg.rfind("--extensions=", 0) == 0) {
            extensions = SplitCommas(arg.substr(13));
        } else if (fs::is_directory(arg)) {
            for (const auto& entry : fs::recursive_directory_iterator(arg))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        } else {
            inputs.emplace_back(arg);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    std::erase_if(inputs, [&](const fs::path& path) {
        if (max_bytes > 0 && fs::file_size(path) > max_bytes) return true;
        const std::string extension = Lower(path.extension().string());
        return !extensions.empty() &&
               std::find(extensions.begin(), extensions.end(), extension) == extensions.end();
    });
    if (inputs.empty()) {
        std::cerr << "no input to replay\n";
        return 1;
    }

    if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
    for (const fs::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            std::cerr << path << ": cannot be read\n";
            return 1;
        }
        // Printed first, so that the input that aborts is the last one named.
        std::cout << path.string() << std::endl;
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::cout << inputs.size() << " inputs replayed\n";
    return 0;
}
