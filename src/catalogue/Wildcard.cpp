#include "Wildcard.h"

#include <QChar>
#include <QList>

#include <cstring>

char32_t FoldCase(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

// Malformed bytes become U+FFFD.
void FoldUtf8(const char* data, int size, std::u32string& out) {
    out.clear();
    out.reserve(size_t(size));
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* end = p + size;
    while (p < end) {
        unsigned char b = *p;
        if (b < 0x80) {
            out.push_back(FoldCase(b));
            ++p;
            continue;
        }
        int extra = (b >= 0xF0) ? 3 : (b >= 0xE0) ? 2 : (b >= 0xC0) ? 1 : -1;
        if (extra < 0 || end - p <= extra) {
            out.push_back(0xFFFD);
            ++p;
            continue;
        }
        char32_t c = b & (0x3F >> extra);
        bool ok = true;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (p[i] & 0x3F);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            ++p;
            continue;
        }
        out.push_back(FoldCase(c));
        p += extra + 1;
    }
}

namespace {

void foldView(QStringView text, std::u32string& out) {
    out.clear();
    out.reserve(size_t(text.size()));
    for (char32_t c : text.toUcs4())
        out.push_back(FoldCase(c));
}

} // namespace

std::optional<WildcardPattern> WildcardPattern::compile(const QString& pattern, QString* error) {
    WildcardPattern result;
    std::u32string p;
    for (char32_t c : pattern.toUcs4())
        p.push_back(c);
    for (size_t i = 0; i < p.size(); ++i) {
        char32_t c = p[i];
        Token t;
        t.kind = Kind::Literal;
        if (c == U'*') {
            // Runs of stars match what one star matches.
            if (!result.m_tokens.empty() && result.m_tokens.back().kind == Kind::Star)
                continue;
            t.kind = Kind::Star;
        } else if (c == U'?') {
            t.kind = Kind::Any;
        } else if (c == U'#') {
            t.kind = Kind::Digit;
        } else if (c == U'[') {
            size_t j = i + 1;
            t.kind = Kind::Set;
            if (j < p.size() && p[j] == U'!') {
                t.negated = true;
                ++j;
            }
            bool closed = false;
            for (; j < p.size(); ++j) {
                if (p[j] == U']') {
                    closed = true;
                    break;
                }
                char32_t lo = FoldCase(p[j]);
                char32_t hi = lo;
                if (j + 2 < p.size() && p[j + 1] == U'-' && p[j + 2] != U']') {
                    hi = FoldCase(p[j + 2]);
                    j += 2;
                }
                if (hi < lo)
                    std::swap(lo, hi);
                t.ranges.emplace_back(lo, hi);
            }
            if (!closed) {
                if (error)
                    *error = QStringLiteral("The pattern \"%1\" has a \"[\" without its \"]\".")
                                 .arg(pattern);
                return std::nullopt;
            }
            i = j;
            // "[]" matches nothing in particular: an empty set stands for the empty text.
            if (t.ranges.empty() && !t.negated)
                continue;
        } else {
            t.ch = FoldCase(c);
        }
        result.m_tokens.push_back(std::move(t));
    }
    result.m_ascii.assign(result.m_tokens.size() * 2, 0);
    for (const Token& t : result.m_tokens) {
        if (t.kind != Kind::Star)
            ++result.m_minLength;
        if (t.kind == Kind::Literal && t.ch < 0x80 && result.m_requiredAscii < 0)
            result.m_requiredAscii = int(t.ch);
    }
    for (size_t i = 0; i < result.m_tokens.size(); ++i) {
        for (char32_t c = 0; c < 0x80; ++c) {
            if (tokenMatches(result.m_tokens[i], FoldCase(c)))
                result.m_ascii[2 * i + (c >> 6)] |= quint64(1) << (c & 63);
        }
    }
    return result;
}

std::vector<std::vector<std::u32string>> WildcardPattern::choiceRuns(size_t most) const {
    std::vector<std::vector<std::u32string>> runs(1);
    for (const Token& t : m_tokens) {
        if (t.kind == Kind::Star) {
            if (!runs.back().empty())
                runs.emplace_back();
            continue;
        }
        std::u32string choices;
        if (t.kind == Kind::Literal) {
            choices.push_back(t.ch);
        } else if (t.kind == Kind::Digit) {
            choices = U"0123456789";
        } else if (t.kind == Kind::Set && !t.negated) {
            size_t count = 0;
            for (const auto& [lo, hi] : t.ranges)
                count += size_t(hi - lo) + 1;
            if (count <= most) {
                for (const auto& [lo, hi] : t.ranges) {
                    for (char32_t c = lo; c <= hi; ++c) {
                        if (choices.find(c) == std::u32string::npos)
                            choices.push_back(c);
                    }
                }
            }
        }
        runs.back().push_back(std::move(choices));
    }
    if (runs.back().empty())
        runs.pop_back();
    return runs;
}

bool WildcardPattern::tokenMatches(const Token& t, char32_t c) {
    switch (t.kind) {
    case Kind::Literal:
        return t.ch == c;
    case Kind::Any:
        return true;
    case Kind::Digit:
        return c >= U'0' && c <= U'9';
    case Kind::Set: {
        bool in = false;
        for (const auto& [lo, hi] : t.ranges) {
            if (c >= lo && c <= hi) {
                in = true;
                break;
            }
        }
        return in != t.negated;
    }
    case Kind::Star:
        return false;
    }
    return false;
}

namespace {

// Greedy matching that remembers only the last star: linear in practice, never exponential.
// isStar(pi) tells a star token; fits(pi, ti) whether token pi takes the text's unit ti.
template <typename IsStar, typename Fits>
bool matchTokens(size_t n, size_t size, IsStar isStar, Fits fits) {
    size_t ti = 0, pi = 0;
    size_t starPi = std::string::npos, starTi = 0;
    while (ti < size) {
        if (pi < n && isStar(pi)) {
            starPi = pi++;
            starTi = ti;
        } else if (pi < n && fits(pi, ti)) {
            ++pi;
            ++ti;
        } else if (starPi != std::string::npos) {
            pi = starPi + 1;
            ti = ++starTi;
        } else {
            return false;
        }
    }
    while (pi < n && isStar(pi))
        ++pi;
    return pi == n;
}

} // namespace

bool WildcardPattern::matchFolded(const std::u32string& text) const {
    return matchTokens(
        m_tokens.size(), text.size(), [this](size_t pi) { return m_tokens[pi].kind == Kind::Star; },
        [this, &text](size_t pi, size_t ti) { return tokenMatches(m_tokens[pi], text[ti]); });
}

// The same matching over ASCII bytes, with the tokens' byte tables.
bool WildcardPattern::matchAscii(const unsigned char* text, size_t size) const {
    const quint64* ascii = m_ascii.data();
    return matchTokens(
        m_tokens.size(), size, [this](size_t pi) { return m_tokens[pi].kind == Kind::Star; },
        [ascii, text](size_t pi, size_t ti) {
            return (ascii[2 * pi + (text[ti] >> 6)] >> (text[ti] & 63)) & 1;
        });
}

bool WildcardPattern::matches(QStringView text) const {
    thread_local std::u32string folded;
    foldView(text, folded);
    return matchFolded(folded);
}

bool WildcardPattern::matchesUtf8(const char* data, int size) const {
    // A text has at most as many characters as bytes: a short one cannot match.
    if (size_t(size) < m_minLength)
        return false;
    // A plain ASCII name, nearly every one, is matched on its bytes, and rejected at once
    // when it lacks the pattern's one plain character that most names lack.
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    quint64 all = 0;
    int i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, bytes + i, 8);
        all |= word;
    }
    for (; i < size; ++i)
        all |= bytes[i];
    if (!(all & 0x8080808080808080ull)) {
        const int lower = m_requiredAscii;
        if (lower >= 0 && !std::memchr(bytes, lower, size_t(size))) {
            const int upper = (lower >= 'a' && lower <= 'z') ? lower - 32 : lower;
            if (upper == lower || !std::memchr(bytes, upper, size_t(size)))
                return false;
        }
        return matchAscii(bytes, size_t(size));
    }
    thread_local std::u32string folded;
    FoldUtf8(data, size, folded);
    return matchFolded(folded);
}

int CompareNames(const char* a, int aSize, const char* b, int bSize) {
    // ASCII fast path: compare folded bytes until a non-ASCII byte shows up.
    int n = std::min(aSize, bSize);
    int i = 0;
    for (; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if ((ca | cb) & 0x80)
            break;
        char32_t fa = FoldCase(ca), fb = FoldCase(cb);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    if (i == n) {
        if (aSize != bSize)
            return aSize < bSize ? -1 : 1;
    } else {
        thread_local std::u32string fa, fb;
        FoldUtf8(a + i, aSize - i, fa);
        FoldUtf8(b + i, bSize - i, fb);
        int c = fa.compare(fb);
        if (c != 0)
            return c < 0 ? -1 : 1;
    }
    int c = std::memcmp(a, b, size_t(n));
    if (c != 0)
        return c < 0 ? -1 : 1;
    return aSize == bSize ? 0 : (aSize < bSize ? -1 : 1);
}
