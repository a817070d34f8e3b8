// What the fuzz targets share: the input as a real read-only stream, a stream
// written into memory, and the check that stops the run on a broken rule.
#ifndef KADMER_TESTS_FUZZ_FUZZ_SUPPORT_H
#define KADMER_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// a broken rule is a crash for the fuzzer and a failure for the replay
#define FUZZ_CHECK(cond)                                                        \
    do {                                                                        \
        if (!(cond)) {                                                          \
            std::fprintf(stderr, "%s:%d: rule broken: %s\n", __FILE__, __LINE__, \
                         #cond);                                                \
            std::abort();                                                       \
        }                                                                       \
    } while (0)

// bytes readable as a standard stream, with rewind and seek as a file has
// them; the bytes live as long as this object, which must outlive the stream
struct Octets {
    std::vector<char> copie;

    Octets(const uint8_t* data, size_t size) : copie(data, data + size) {}
    explicit Octets(const std::string& s) : copie(s.begin(), s.end()) {}

    // a new stream over the bytes (the empty input reads as an empty file)
    FILE* ouvre()
    {
        if (copie.empty()) return std::fopen("/dev/null", "rb");
        return fmemopen(copie.data(), copie.size(), "rb");
    }
};

// a stream whose bytes are collected in memory; the writers under test close
// it themselves, after which texte() gives what they wrote
struct Ecrit {
    char* buf = nullptr;
    size_t taille = 0;
    FILE* f = nullptr;

    Ecrit() { f = open_memstream(&buf, &taille); }
    ~Ecrit() { std::free(buf); }
    Ecrit(const Ecrit&) = delete;
    Ecrit& operator=(const Ecrit&) = delete;

    // closes the stream when the writer has not, and returns its bytes
    std::string ferme()
    {
        if (f) std::fclose(f);
        f = nullptr;
        return std::string(buf ? buf : "", taille);
    }
    // the bytes of a stream the writer has closed already
    std::string texte() const { return std::string(buf ? buf : "", taille); }
};

#endif
