// Replays the given files, or every file of the given folders, through a fuzz
// target's entry point, so that the ordinary build checks the seed corpus and
// the regression inputs without libFuzzer. A folder that does not exist
// counts as empty; finding no input at all is a failure.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> entrees;
    for (int a = 1; a < argc; a++) {
        const fs::path p = argv[a];
        std::error_code ec;
        if (fs::is_directory(p, ec)) {
            for (const auto& e : fs::directory_iterator(p))
                if (e.is_regular_file() && e.path().filename().string()[0] != '.')
                    entrees.push_back(e.path());
        } else if (fs::is_regular_file(p, ec)) {
            entrees.push_back(p);
        }
    }
    std::sort(entrees.begin(), entrees.end());
    if (entrees.empty()) {
        std::fprintf(stderr, "no input to replay\n");
        return 1;
    }
    for (const fs::path& p : entrees) {
        std::ifstream in(p, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", p.c_str());
            return 1;
        }
        std::vector<uint8_t> octets((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
        std::printf("%s (%zu bytes)\n", p.c_str(), octets.size());
        std::fflush(stdout);
        static const uint8_t vide = 0;
        LLVMFuzzerTestOneInput(octets.empty() ? &vide : octets.data(), octets.size());
    }
    std::printf("%zu inputs replayed\n", entrees.size());
    return 0;
}
