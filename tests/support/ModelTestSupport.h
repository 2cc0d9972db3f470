#pragma once

// Small helpers shared by the model tests: text files, and a recorder of the
// drawing calls an ObjModel group produces.

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "model/ObjModel.h"

namespace oxv::test {

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Captures what the reader prints (it prints on one stream) while alive.
class ReaderMessages {
public:
    ReaderMessages() : m_file(std::tmpfile()) { SetObjMessageStream(m_file); }
    ~ReaderMessages()
    {
        SetObjMessageStream(nullptr);
        std::fclose(m_file);
    }
    ReaderMessages(const ReaderMessages&) = delete;
    ReaderMessages& operator=(const ReaderMessages&) = delete;

    std::string Text()
    {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string text;
        char buf[256];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, m_file)) > 0) text.append(buf, n);
        return text;
    }

private:
    std::FILE* m_file;
};

// Records the calls as short strings: "begin", "material ambient…", "n 1 0 0",
// "t 0.5 1", "v 1 2 3", "end".
struct CallRecorder {
    std::vector<std::string> calls;
    void BeginTriangles() { calls.push_back("begin"); }
    void Material(const ObjMaterial& m) { calls.push_back("material " + m.name); }
    void Normal(const float* n) { calls.push_back("n " + Three(n)); }
    void TexCoord(const float* t) { calls.push_back("t " + Num(t[0]) + " " + Num(t[1])); }
    void Vertex(const float* v) { calls.push_back("v " + Three(v)); }
    void EndTriangles() { calls.push_back("end"); }

    static std::string Num(float f)
    {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", static_cast<double>(f));
        return buf;
    }
    static std::string Three(const float* p) { return Num(p[0]) + " " + Num(p[1]) + " " + Num(p[2]); }
};

}  // namespace oxv::test
