#include "DxfLexer.h"

#include "NumberConv.h"

#include <cstring>

namespace figurant {

namespace {

bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool IsPrintable(unsigned char c) {
    return c >= 0x20 && c <= 0x7E;
}
bool IsExponentLetter(unsigned char c) {
    return c == 'e' || c == 'E' || c == 'D';
}

bool InWordClass(unsigned char c, int wordMode) {
    if (wordMode == 1) return IsPrintable(c);
    return IsLetter(c) || IsDigit(c) || c == '_' || c == '.' || c == '%' || c == '/' || c == '~' || c == '$';
}

} // namespace

std::int32_t CDxfLexer::AddKeyword(const std::string& keyword) {
    ++m_nKeywords;
    m_keywords.push_back({keyword, m_nKeywords});
    if (m_keywords.size() == 1 || keyword.size() < m_minKeyword) m_minKeyword = keyword.size();
    if (keyword.size() > m_maxKeyword) m_maxKeyword = keyword.size();
    if (!keyword.empty()) {
        m_firstChars[Upper(keyword.front())] = true;
        m_lastChars[Upper(keyword.back())] = true;
    }
    return m_nKeywords;
}

void CDxfLexer::Reset() {
    m_source = nullptr;
    m_bPushedBack = 0;
    m_nKeywords = 0;
    m_keywords.clear();
    m_minKeyword = m_maxKeyword = 0;
    m_firstChars.fill(false);
    m_lastChars.fill(false);
}

std::int32_t CDxfLexer::KeywordTableLookup(const char* text, std::size_t length) const {
    char upper[kMaxText + 1];
    if (length > kMaxText) return 0;
    for (std::size_t i = 0; i < length; ++i)
        upper[i] = static_cast<char>(Upper(text[i]));
    // A drawing repeats one keyword most of the time (3DFACE): the last one found is tried first.
    auto matches = [&](const Keyword& k) {
        return k.text.size() == length && std::memcmp(k.text.data(), upper, length) == 0;
    };
    if (m_lastFound < m_keywords.size() && matches(m_keywords[m_lastFound]))
        return m_keywords[m_lastFound].id;
    for (std::size_t i = 0; i < m_keywords.size(); ++i) {
        if (!matches(m_keywords[i])) continue;
        m_lastFound = i;
        return m_keywords[i].id;
    }
    return 0;
}

void CDxfLexer::NextToken(int wordMode) {
    m_length = 0;
    m_text[0] = '\0';
    m_cur = '\n';
    m_bScannedNumber = false;
    if (m_bPushedBack) {
        m_cur = m_pushBack;
        m_bPushedBack = 0;
    }
    while (m_cur != kEndMarker && (IsCSpace(static_cast<unsigned char>(m_cur)) || m_cur == ','))
        ReadChar();

    if (IsLetter(m_cur) || m_cur == '_' || m_cur == '~' || m_cur == '$') {
        ScanWord(wordMode);
    } else if (IsDigit(m_cur) || m_cur == '+' || m_cur == '-' || m_cur == '.') {
        Append();
        ReadChar();
        ScanNumber();
    } else if (IsPrintable(m_cur)) {
        // A lone character: the kind stays what the previous token set, and the character is consumed.
        m_text[0] = static_cast<char>(m_cur);
        m_text[1] = '\0';
        m_length = 1;
    } else if (m_cur == kEndMarker) {
        std::strcpy(m_text, "** EOF **");
        m_length = static_cast<std::int32_t>(std::strlen(m_text));
        m_kind = TK_EOF;
    } else {
        std::strcpy(m_text, "** BAD CHAR **");
        m_length = static_cast<std::int32_t>(std::strlen(m_text));
        m_kind = TK_BAD_CHAR;
    }
}

void CDxfLexer::ScanWord(int wordMode) {
    while (InWordClass(m_cur, wordMode)) {
        Append();
        ReadChar();
    }
    m_text[m_length] = '\0';
    m_kind = TK_WORD;
    PushBack();
    MatchKeywords();
}

void CDxfLexer::AppendDigits() {
    while (IsDigit(m_cur)) {
        Append();
        ReadChar();
    }
}

// The exponent letter is current; false when the digit it requires is missing.
bool CDxfLexer::ScanExponent() {
    Append();
    ReadChar();
    if (m_cur == '+' || m_cur == '-') {
        Append();
        ReadChar();
    }
    if (!IsDigit(m_cur)) return false;
    Append();
    ReadChar();
    return true;
}

void CDxfLexer::ScanNumber() {
    AppendDigits();
    m_kind = TK_INTEGER;
    if (m_cur == '.' || m_cur == 'e' || m_cur == 'E') {
        m_kind = TK_REAL;
        bool ok = true;
        if (m_cur == '.') {
            Append();
            ReadChar();
            if (!IsExponentLetter(m_cur)) AppendDigits();
            if (IsExponentLetter(m_cur)) ok = ScanExponent();
        } else {
            ok = ScanExponent();
        }
        if (ok)
            AppendDigits();
        else
            m_kind = TK_BAD_CHAR;
    }
    m_text[m_length] = '\0';
    const std::string_view text(m_text, static_cast<std::size_t>(m_length));
    m_intValue = static_cast<std::int32_t>(CAtol(text));
    m_realValue = static_cast<float>(CAtof(text, true));
    m_bScannedNumber = true;
    PushBack();
}

void CDxfLexer::NextLineSlow() {
    m_length = 0;
    m_text[0] = '\0';
    m_cur = '\n';
    m_kind = TK_DIGIT_LINE;
    bool atLineStart = false;
    if (m_bPushedBack) {
        m_cur = m_pushBack;
        m_bPushedBack = 0;
        if (m_cur == '\n')
            atLineStart = true;
        else if (!IsDigit(m_cur))
            m_kind = TK_TEXT_LINE;
    }
    if (m_cur != kEndMarker && !atLineStart) {
        if (!m_source || m_source->SkipLine() != '\n') {
            m_cur = kEndMarker;
            m_kind = TK_EOF;
            return;
        }
    }
    bool allDigits = true;
    const int end = m_source ? m_source->ReadLine(m_text, kMaxText, m_length, allDigits) : -1;
    if (!allDigits) m_kind = TK_TEXT_LINE;
    m_text[m_length] = '\0';
    if (end != '\n') {
        m_cur = kEndMarker;
        m_kind = TK_EOF;
        return;
    }
    m_cur = '\n';
    PushBack();
    MatchKeywords();
}

} // namespace figurant
