// Standard streams for the readers and writers of the model: a real
// temporary file holding a text, and what a writer printed, caught in memory.
#ifndef KADMER_TESTS_SUPPORT_STREAMS_H
#define KADMER_TESTS_SUPPORT_STREAMS_H

#include <cstdio>
#include <cstdlib>
#include <string>

// a real temporary file holding `text`, open for reading from its start
// (gone once closed)
inline FILE* textStream(const std::string& text)
{
    FILE* f = std::tmpfile();
    if (f) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::rewind(f);
    }
    return f;
}

// the bytes `print` writes into the stream it is given; `closes`: the writer
// closes the stream itself, as the file writers of the model do
template <class Print>
std::string printed(Print print, bool closes = false)
{
    char* buf = nullptr;
    size_t len = 0;
    FILE* f = open_memstream(&buf, &len);
    print(f);
    if (!closes)
        std::fclose(f);
    std::string s(buf ? buf : "", len);
    std::free(buf);
    return s;
}

#endif
