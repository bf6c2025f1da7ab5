#include "core/cp932.h"

#include <iconv.h>
#include <algorithm>
#include <cerrno>

namespace mox {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (Ok()) ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; stops at an unconvertible or invalid
    // sequence (returned false) with `in` and `inLeft` at that sequence.
    bool Convert(char*& in, size_t& inLeft, QByteArray& out) {
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            const size_t r = ::iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<qsizetype>(sizeof buffer - outLeft));
            if (r == static_cast<size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

private:
    iconv_t cd_;
};

// Bytes in a UTF-8 sequence that starts with `lead`.
size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

QByteArray ToCp932(const QString& text, bool* complete) {
    if (complete) *complete = true;
    QByteArray utf8 = text.toUtf8();
    QByteArray out;
    Converter converter("CP932", "UTF-8");
    if (!converter.Ok()) {
        if (complete) *complete = false;
        return out;
    }
    char* in = utf8.data();
    size_t left = static_cast<size_t>(utf8.size());
    while (!converter.Convert(in, left, out)) {
        if (complete) *complete = false;
        out.append('?');
        const size_t skip = std::min(left, Utf8Length(static_cast<unsigned char>(*in)));
        in += skip;
        left -= skip;
    }
    return out;
}

QString FromCp932(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QByteArray utf8;
    Converter converter("UTF-8", "CP932");
    if (!converter.Ok()) return QString::fromLatin1(bytes);
    char* in = copy.data();
    size_t left = static_cast<size_t>(copy.size());
    while (!converter.Convert(in, left, utf8)) {
        utf8.append("\xEF\xBF\xBD");
        ++in;
        --left;
    }
    return QString::fromUtf8(utf8);
}

}  // namespace mox
