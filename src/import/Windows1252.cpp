#include "import/Windows1252.h"

#include <array>

namespace {

// 0x80-0x9F; the bytes the code page leaves unassigned read as the C1 control of that value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t toUnicode(unsigned char b) {
    return b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : char16_t(b);
}

// -1 when the character has no byte.
int toByte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == c)
            return 0x80 + i;
    }
    return -1;
}

struct CaseTables {
    std::array<unsigned char, 256> lower{};
    std::array<unsigned char, 256> upper{};
    CaseTables() {
        for (int b = 0; b < 256; ++b) {
            const QChar c(toUnicode(static_cast<unsigned char>(b)));
            const int lo = toByte(c.toLower().unicode());
            const int up = toByte(c.toUpper().unicode());
            lower[b] = static_cast<unsigned char>(lo < 0 ? b : lo);
            upper[b] = static_cast<unsigned char>(up < 0 ? b : up);
        }
    }
};

const CaseTables& tables() {
    static const CaseTables t;
    return t;
}

} // namespace

QString Cp1252Decode(const char* data, qsizetype size) {
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size; ++i)
        out[i] = toUnicode(static_cast<unsigned char>(data[i]));
    return text;
}

bool Cp1252Encode(const QString& text, QByteArray* out) {
    const qsizetype size = text.size();
    out->resize(size);
    char* dst = out->data();
    const auto* src = reinterpret_cast<const char16_t*>(text.constData());
    for (qsizetype i = 0; i < size; ++i) {
        const int b = toByte(src[i]);
        if (b < 0)
            return false;
        dst[i] = static_cast<char>(b);
    }
    return true;
}

unsigned char Cp1252Lower(unsigned char byte) {
    return tables().lower[byte];
}

unsigned char Cp1252Upper(unsigned char byte) {
    return tables().upper[byte];
}

void Cp1252LowerBytes(const char* in, char* out, qsizetype size) {
    const auto& lower = tables().lower;
    for (qsizetype i = 0; i < size; ++i)
        out[i] = static_cast<char>(lower[static_cast<unsigned char>(in[i])]);
}
