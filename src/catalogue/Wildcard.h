#pragma once

#include <QString>
#include <QtGlobal>
#include <QStringView>

#include <optional>
#include <string>
#include <vector>

// Find patterns: "*" any run, "?" one character, "#" one digit, "[set]", "[!set]" and ranges
// such as "[a-z]"; everything else stands for itself. Matching covers the whole text and ignores
// letter case (also beyond ASCII).
class WildcardPattern {
public:
    // No value, and a reason in *error, for a pattern that cannot be used (an unclosed "[").
    static std::optional<WildcardPattern> compile(const QString& pattern, QString* error = nullptr);

    bool matches(QStringView text) const;
    bool matchesUtf8(const char* data, int size) const;
    // For text already decoded and folded with FoldUtf8.
    bool matchesFolded(const std::u32string& folded) const { return matchFolded(folded); }

    // The runs of tokens between stars, each token as the folded characters it stands for when
    // they are at most `most` (one for a plain character, ten for "#", a small set), or empty
    // when it stands for more ("?", a negated or a wide set). A name index can look up every
    // combination of a few such characters.
    std::vector<std::vector<std::u32string>> choiceRuns(size_t most) const;

private:
    enum class Kind { Literal, Any, Digit, Set, Star };
    struct Token {
        Kind kind;
        char32_t ch = 0;
        bool negated = false;
        std::vector<std::pair<char32_t, char32_t>> ranges;
    };

    bool matchFolded(const std::u32string& text) const;
    bool matchAscii(const unsigned char* text, size_t size) const;
    static bool tokenMatches(const Token& t, char32_t c);

    std::vector<Token> m_tokens;
    // For each token, the ASCII bytes it matches as they stand (case folded in): bit c of
    // m_ascii[2 * i + (c >> 6)]. Plain ASCII names, nearly all of them, need no decoding.
    std::vector<quint64> m_ascii;
    size_t m_minLength = 0; // characters every match has at least
    int m_requiredAscii = -1; // an ASCII character (folded) every match holds, or -1
};

// Case folding used by the pattern and the name order.
char32_t FoldCase(char32_t c);

// Decodes stored UTF-8 text into folded code points as the patterns see it; malformed bytes
// become U+FFFD.
void FoldUtf8(const char* data, int size, std::u32string& out);

// Name order: case-insensitive, ties broken by the exact text so that the order is total.
int CompareNames(const char* a, int aSize, const char* b, int bSize);
