#pragma once
// Character-level DXF scanner with two ways of cutting the input, sharing one current character
// and one push-back slot: token scanning (words, numbers, single characters) and line scanning
// (a whole line, classified as digits-only or text). Registered keywords are matched without
// regard to letter case and delivered with their id as the token kind.
#include "ByteSource.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace figurant {

enum : std::int32_t {
    TK_WORD = 5000,
    TK_REAL = 5001,
    TK_INTEGER = 5002,
    TK_DIGIT_LINE = 5003,
    TK_TEXT_LINE = 5004,
    TK_BAD_CHAR = 6000,
    TK_EOF = 6001,
};

class CDxfLexer {
  public:
    static constexpr int kMaxText = 255;
    // The current character at the end of the input (every byte value is an ordinary character).
    static constexpr int kEndMarker = -1;

    CDxfLexer() = default;
    CDxfLexer(const CDxfLexer&) = delete;
    CDxfLexer& operator=(const CDxfLexer&) = delete;
    virtual ~CDxfLexer() { Reset(); }

    void Attach(CByteSource* source) { m_source = source; }
    std::int32_t AddKeyword(const std::string& keyword);
    void NextToken(int wordMode);
    void NextLine() {
        // Fast path: at a line start with the whole plain line in the buffer.
        if (m_bPushedBack && m_pushBack == '\n' && m_source) {
            bool allDigits = true;
            const int length = m_source->TakePlainLine(m_text, kMaxText, allDigits);
            if (length >= 0) {
                m_length = length;
                m_text[length] = '\0';
                m_kind = allDigits ? TK_DIGIT_LINE : TK_TEXT_LINE;
                m_cur = '\n';
                MatchKeywords(); // the push-back slot keeps its line end
                return;
            }
        }
        NextLineSlow();
    }
    void Reset();

    std::int32_t Kind() const { return m_kind; }
    const char* Text() const { return m_text; }
    int Length() const { return m_length; }
    std::int32_t IntValue() const { return m_intValue; }
    float RealValue() const { return m_realValue; }
    // The last token was scanned as a number (its values are its own, not left from before).
    bool ScannedNumber() const { return m_bScannedNumber; }

    // The id of the keyword equal to `text` (ignoring letter case), or 0.
    std::int32_t KeywordOf(const char* text, std::size_t length) const {
        if (length < m_minKeyword || length > m_maxKeyword || length == 0) return 0;
        if (!m_firstChars[Upper(text[0])] || !m_lastChars[Upper(text[length - 1])]) return 0;
        return KeywordTableLookup(text, length);
    }

  protected:
    // At the start of a line, with nothing read of it: the next line scan takes it whole.
    bool AtLineStart() const { return m_bPushedBack && m_pushBack == '\n'; }
    CByteSource* Source() const { return m_source; }
    // Puts a line end in the push-back slot, so the next line scan starts at a line start.
    void PushBackLineEnd() {
        m_pushBack = '\n';
        m_bPushedBack = 1;
    }
    void SetRealValue(float value) { m_realValue = value; }

  private:
    struct Keyword {
        std::string text;
        std::int32_t id;
    };

    void ReadChar() { m_cur = m_source ? m_source->Get() : kEndMarker; }
    void PushBack() {
        m_pushBack = m_cur;
        m_bPushedBack = 1;
    }
    void Append() {
        if (m_length < kMaxText) m_text[m_length++] = static_cast<char>(m_cur);
    }
    void NextLineSlow();
    void ScanWord(int wordMode);
    void ScanNumber();
    bool ScanExponent();
    void AppendDigits();
    void MatchKeywords() {
        if (const std::int32_t id = KeywordOf(m_text, static_cast<std::size_t>(m_length))) m_kind = id;
    }
    std::int32_t KeywordTableLookup(const char* text, std::size_t length) const;

    CByteSource* m_source = nullptr;
    std::vector<Keyword> m_keywords;
    std::int32_t m_nKeywords = 0;
    // Quick rejection of texts that cannot be a keyword: lengths, first and last characters in use.
    static unsigned char Upper(char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 'a' + 'A') : u;
    }
    std::size_t m_minKeyword = 0, m_maxKeyword = 0;
    std::array<bool, 256> m_firstChars{};
    std::array<bool, 256> m_lastChars{};
    mutable std::size_t m_lastFound = 0; // the keyword the last lookup found
    int m_cur = '\n';                    // a byte, or kEndMarker
    int m_pushBack = 0;
    int m_bPushedBack = 0;
    std::int32_t m_length = 0;
    char m_text[kMaxText + 1] = {};
    std::int32_t m_kind = 0;
    std::int32_t m_intValue = 0;
    float m_realValue = 0.0f;
    bool m_bScannedNumber = false;
};

} // namespace figurant
