// Real files for the tests: a fresh temporary folder removed with its
// contents, and whole-file reads and writes.
#ifndef KADMER_TESTS_SUPPORT_FILES_H
#define KADMER_TESTS_SUPPORT_FILES_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

// a fresh folder under $TMPDIR (or /tmp), removed with its files at the end
struct TempDir {
    std::string path;

    // throws when the folder cannot be made: the test fails there, not later
    TempDir()
    {
        const char* t = std::getenv("TMPDIR");
        std::string tmpl = std::string(t && *t ? t : "/tmp") + "/kadmer_test_XXXXXX";
        if (!::mkdtemp(&tmpl[0]))
            throw std::runtime_error("no temporary folder: " + tmpl);
        path = tmpl;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // the path of `name` inside the folder
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

// the bytes of a file; empty when it cannot be read
inline std::string slurp(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// replaces the file's bytes by `text`; false when it cannot be written
inline bool writeText(const std::string& path, const std::string& text)
{
    std::ofstream f(path, std::ios::binary);
    f << text;
    return bool(f.flush());
}

#endif
