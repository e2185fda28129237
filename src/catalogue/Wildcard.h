#pragma once

#include <QString>
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

private:
    enum class Kind { Literal, Any, Digit, Set, Star };
    struct Token {
        Kind kind;
        char32_t ch = 0;
        bool negated = false;
        std::vector<std::pair<char32_t, char32_t>> ranges;
    };

    bool matchFolded(const std::u32string& text) const;
    static bool tokenMatches(const Token& t, char32_t c);

    std::vector<Token> m_tokens;
};

// Case folding used by the pattern and the name order.
char32_t FoldCase(char32_t c);

// Name order: case-insensitive, ties broken by the exact text so that the order is total.
int CompareNames(const char* a, int aSize, const char* b, int bSize);
