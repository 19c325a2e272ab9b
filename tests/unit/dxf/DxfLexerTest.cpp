#include "DxfLexer.h"
#include "FpTraps.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace figurant;

namespace {

// Runs a lexer over bytes held in memory through a real C stream.
class Lexed {
  public:
    explicit Lexed(const std::string& bytes, std::vector<std::string> keywords = {})
        : m_bytes(bytes), m_file(fmemopen(m_bytes.empty() ? nullptr : m_bytes.data(), m_bytes.size(), "rb")),
          m_source(m_file) {
        lexer.Attach(&m_source);
        for (const auto& k : keywords)
            lexer.AddKeyword(k);
    }
    ~Lexed() {
        if (m_file) std::fclose(m_file);
    }
    CDxfLexer lexer;

  private:
    std::string m_bytes;
    std::FILE* m_file;
    CByteSource m_source;
};

struct TokenCase {
    const char* name;
    std::string input;
    int wordMode;
    std::int32_t kind;
    std::string text;
    std::int32_t intValue;
    float realValue;
};

void PrintTo(const TokenCase& c, std::ostream* os) {
    *os << c.name;
}

class TokenTest : public testing::TestWithParam<TokenCase> {};

TEST_P(TokenTest, FirstToken) {
    const TokenCase& c = GetParam();
    Lexed l(c.input);
    l.lexer.NextToken(c.wordMode);
    EXPECT_EQ(l.lexer.Kind(), c.kind);
    EXPECT_EQ(std::string(l.lexer.Text()), c.text);
    if (c.kind == TK_INTEGER || c.kind == TK_REAL || c.kind == TK_BAD_CHAR) {
        EXPECT_EQ(l.lexer.IntValue(), c.intValue);
        EXPECT_FLOAT_EQ(l.lexer.RealValue(), c.realValue);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lexer, TokenTest,
    testing::Values(TokenCase{"integer", "12 ", 0, TK_INTEGER, "12", 12, 12.0f},
                    TokenCase{"negative_fraction", "-0.5\n", 0, TK_REAL, "-0.5", 0, -0.5f},
                    TokenCase{"exponent", "1.5E+3,", 0, TK_REAL, "1.5E+3", 1, 1500.0f},
                    TokenCase{"d_exponent_after_fraction", "1.5D3 ", 0, TK_REAL, "1.5D3", 1, 1500.0f},
                    TokenCase{"d_after_integer_is_not_exponent", "1D3", 0, TK_INTEGER, "1", 1, 1.0f},
                    TokenCase{"leading_point_is_integer", ".5 ", 0, TK_INTEGER, ".5", 0, 0.5f},
                    TokenCase{"lone_minus", "- ", 0, TK_INTEGER, "-", 0, 0.0f},
                    TokenCase{"missing_exponent_digit", "1E\n", 0, TK_BAD_CHAR, "1E", 1, 1.0f},
                    TokenCase{"number_before_letters", "3DFACE", 0, TK_INTEGER, "3", 3, 3.0f},
                    TokenCase{"word_mode_0", "abc.def/x%y z", 0, TK_WORD, "abc.def/x%y", 0, 0},
                    TokenCase{"word_mode_1_runs_to_line_end", "Layer 1 top\nx", 1, TK_WORD, "Layer 1 top", 0,
                              0},
                    TokenCase{"skips_blanks_tabs_commas", " \t,,7", 0, TK_INTEGER, "7", 7, 7.0f},
                    TokenCase{"control_byte", "\x01", 0, TK_BAD_CHAR, "** BAD CHAR **", 0, 0},
                    TokenCase{"high_byte", "\xE9", 0, TK_BAD_CHAR, "** BAD CHAR **", 0, 0},
                    TokenCase{"byte_ff_is_an_ordinary_byte",
                              "\xFF"
                              "12",
                              0, TK_BAD_CHAR, "** BAD CHAR **", 0, 0},
                    TokenCase{"empty_input", "", 0, TK_EOF, "** EOF **", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Lexer, SequencesOfTokens) {
    Lexed a("1.5.3");
    a.lexer.NextToken(0);
    EXPECT_EQ(std::string(a.lexer.Text()), "1.5");
    a.lexer.NextToken(0);
    EXPECT_EQ(std::string(a.lexer.Text()), ".3");

    Lexed b("10,20");
    b.lexer.NextToken(0);
    EXPECT_EQ(b.lexer.IntValue(), 10);
    b.lexer.NextToken(0);
    EXPECT_EQ(b.lexer.Kind(), TK_INTEGER);
    EXPECT_EQ(b.lexer.IntValue(), 20);

    // A lone printable character keeps the previous kind and is consumed.
    Lexed c("5 (7");
    c.lexer.NextToken(0);
    c.lexer.NextToken(0);
    EXPECT_EQ(std::string(c.lexer.Text()), "(");
    EXPECT_EQ(c.lexer.Kind(), TK_INTEGER);
    c.lexer.NextToken(0);
    EXPECT_EQ(c.lexer.IntValue(), 7);
}

// A Latin-1 'y with diaeresis' in a layer name must not end the drawing.
TEST(Lexer, ByteFFIsAnOrdinaryCharacter) {
    Lexed l("\xFF"
            "12");
    l.lexer.NextToken(0);
    EXPECT_EQ(l.lexer.Kind(), TK_BAD_CHAR);
    l.lexer.NextToken(0);
    EXPECT_EQ(l.lexer.Kind(), TK_INTEGER);
    EXPECT_EQ(l.lexer.IntValue(), 12);
    l.lexer.NextToken(0);
    EXPECT_EQ(l.lexer.Kind(), TK_EOF);
    l.lexer.NextToken(0);
    EXPECT_EQ(l.lexer.Kind(), TK_EOF);
}

TEST(Lexer, KeywordsMatchWithoutCase) {
    Lexed l("line Lines\n", {"SECTION", "LINE"});
    l.lexer.NextToken(0);
    EXPECT_EQ(l.lexer.Kind(), 2);
    l.lexer.NextToken(0);
    EXPECT_EQ(l.lexer.Kind(), TK_WORD);
}

TEST(Lexer, LongWordsAndNumbersAreCutTo255) {
    Lexed l(std::string(1000, 'a') + " " + std::string(1000, '7') + " 5");
    l.lexer.NextToken(0);
    EXPECT_EQ(l.lexer.Length(), 255);
    test::NoFpTraps traps;
    l.lexer.NextToken(0);
    EXPECT_EQ(l.lexer.Length(), 255);
    l.lexer.NextToken(0);
    EXPECT_EQ(l.lexer.IntValue(), 5);
}

TEST(Lexer, LineScanning) {
    // After attaching, the first line scan skips the rest of the current line.
    Lexed l("first\n  0\n\neof\nEOF \n123\n", {"EOF"});
    l.lexer.NextLine();
    EXPECT_EQ(l.lexer.Kind(), TK_TEXT_LINE);
    EXPECT_EQ(std::string(l.lexer.Text()), "  0");
    l.lexer.NextLine();
    EXPECT_EQ(l.lexer.Kind(), TK_DIGIT_LINE);
    EXPECT_EQ(l.lexer.Length(), 0);
    l.lexer.NextLine();
    EXPECT_EQ(l.lexer.Kind(), 1);
    l.lexer.NextLine();
    EXPECT_EQ(l.lexer.Kind(), TK_TEXT_LINE);
    l.lexer.NextLine();
    EXPECT_EQ(l.lexer.Kind(), TK_DIGIT_LINE);
    EXPECT_EQ(std::string(l.lexer.Text()), "123");
    l.lexer.NextLine();
    EXPECT_EQ(l.lexer.Kind(), TK_EOF);
}

TEST(Lexer, LineAfterToken) {
    Lexed a("10\n20\n");
    a.lexer.NextToken(0);
    a.lexer.NextLine();
    EXPECT_EQ(std::string(a.lexer.Text()), "20");
    EXPECT_EQ(a.lexer.Kind(), TK_DIGIT_LINE);

    // A number followed by blanks: the rest of its line is skipped, and the next line counts as text.
    Lexed b("10  \n20\n");
    b.lexer.NextToken(0);
    b.lexer.NextLine();
    EXPECT_EQ(std::string(b.lexer.Text()), "20");
    EXPECT_EQ(b.lexer.Kind(), TK_TEXT_LINE);
}

TEST(Lexer, LastLineWithoutLineEndIsEnd) {
    Lexed l("a\nlast");
    l.lexer.NextLine();
    EXPECT_EQ(l.lexer.Kind(), TK_EOF);
}

TEST(Lexer, CrLfReadsAsLf) {
    Lexed l("x\r\n10\r\nAB\rC\r\n");
    l.lexer.NextLine();
    EXPECT_EQ(std::string(l.lexer.Text()), "10");
    EXPECT_EQ(l.lexer.Kind(), TK_DIGIT_LINE);
    l.lexer.NextLine();
    EXPECT_EQ(std::string(l.lexer.Text()), "AB\rC");
}

TEST(Lexer, ResetForgetsKeywords) {
    Lexed l("x", {"A", "B"});
    l.lexer.Reset();
    EXPECT_EQ(l.lexer.AddKeyword("C"), 1);
}

} // namespace
