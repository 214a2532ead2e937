#include <gtest/gtest.h>

#include <string>

#include "services/Error.h"
#include "services/Text.h"

using namespace qv;

namespace {

struct CodePageCase {
    const char* what;
    std::string utf8;
    std::string ansi;
    bool lossless = true;
};

void PrintTo(const CodePageCase& c, std::ostream* os) {
    *os << c.what;
}

class CodePage : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePage, Utf8ToAnsi) {
    EXPECT_EQ(utf8ToAnsi(GetParam().utf8), GetParam().ansi);
}

// Characters the code page holds come back unchanged.
TEST_P(CodePage, AnsiToUtf8) {
    if (GetParam().lossless) {
        EXPECT_EQ(ansiToUtf8(GetParam().ansi), GetParam().utf8);
    } else {
        EXPECT_EQ(ansiToUtf8(GetParam().ansi), GetParam().ansi);  // the question marks stay
    }
}

INSTANTIATE_TEST_SUITE_P(
    Windows1252, CodePage,
    ::testing::Values(CodePageCase{"ascii", "Aula 12", "Aula 12"},
                      CodePageCase{"euro", "\xE2\x82\xAC", "\x80"},
                      CodePageCase{"ordinal", "1\xC2\xBA", "1\xBA"},
                      CodePageCase{"enye",
                                   "Espa\xC3\xB1"
                                   "a",
                                   "Espa\xF1"
                                   "a"},
                      CodePageCase{"capital accent", "\xC3\x81lvaro", "\xC1lvaro"},
                      CodePageCase{"quotes and dash", "\xE2\x80\x9Cs\xE2\x80\x9D \xE2\x80\x94",
                                   "\x93s\x94 \x97"},
                      CodePageCase{"s caron", "\xC5\xA0\xC5\xA1", "\x8A\x9A"},
                      CodePageCase{"y diaeresis", "\xC5\xB8\xC3\xBF", "\x9F\xFF"},
                      CodePageCase{"unassigned byte kept", "\xC2\x81", "\x81"},
                      CodePageCase{"outside the code page", "\xE4\xB8\xAD-\xC4\x9F", "?-?", false},
                      CodePageCase{"astral",
                                   "a\xF0\x9F\x98\x80"
                                   "b",
                                   "a?b", false},
                      CodePageCase{"C1 control lacking", "\xC2\x80", "?", false}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name) {
            if (c == ' ') {
                c = '_';
            }
        }
        return name;
    });

TEST(CodePage, BrokenUtf8BecomesQuestionMarks) {
    EXPECT_EQ(utf8ToAnsi("a\xFF"
                         "b"),
              "a?b");
    EXPECT_EQ(utf8ToAnsi("a\xC3"), "a?");  // cut short at the end
    EXPECT_EQ(utf8ToAnsi("a\xE2\x82"
                         "b"),
              "a?b");                            // cut short in the middle
    EXPECT_EQ(utf8ToAnsi("\xC0\xB1"), "?");      // overlong '1'
    EXPECT_EQ(utf8ToAnsi("\xED\xA0\x80"), "?");  // surrogate
    EXPECT_EQ(utf8ToAnsi("\x80\x80"), "??");     // stray continuation bytes
}

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(all)), all);
}

TEST(Trimming, RemovesBlanksAndControlCharactersAtBothEnds) {
    EXPECT_EQ(trimmed("  \t Lengua \r\n"), "Lengua");
    EXPECT_EQ(trimmed("\x01"
                      "a b\x1F"),
              "a b");
    EXPECT_EQ(trimmed("\xA0x\xA0"), "\xA0x\xA0");  // a no-break space is above U+0020
    EXPECT_EQ(trimmed(" \n "), "");
    EXPECT_EQ(trimmed(""), "");
    EXPECT_TRUE(isBlank(" \t\r\n"));
    EXPECT_TRUE(isBlank(""));
    EXPECT_FALSE(isBlank(" . "));
}

TEST(LetterCase, OnlyAToZChange) {
    EXPECT_EQ(upperAZ("ma\xF1"
                      "ana 1\xBA"),
              "MA\xF1"
              "ANA 1\xBA");
    EXPECT_EQ(lowerAZ("\xD1"
                      "ANDU"),
              "\xD1"
              "andu");
}

TEST(LetterCase, SameTextIgnoringCaseFoldsAccentedLetters) {
    EXPECT_TRUE(
        sameTextIgnoringCase("\xC1"
                             "ngel",
                             "\xE1"
                             "NGEL"));                  // Á and á
    EXPECT_TRUE(sameTextIgnoringCase("\xD1", "\xF1"));  // Ñ and ñ
    EXPECT_TRUE(sameTextIgnoringCase("\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"));
    EXPECT_FALSE(sameTextIgnoringCase("\xD7", "\xF7"));  // × and ÷ are not a pair
    EXPECT_FALSE(sameTextIgnoringCase("A", "\xC1"));     // accents still count
    EXPECT_FALSE(sameTextIgnoringCase("ab", "abc"));
    EXPECT_TRUE(sameTextIgnoringCase("", ""));
}

struct IntegerCase {
    const char* text;
    int value;
};

void PrintTo(const IntegerCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class ToIntegerAccepts : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ToIntegerAccepts, Value) {
    EXPECT_EQ(toInteger(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Cases, ToIntegerAccepts,
                         ::testing::Values(IntegerCase{"42", 42}, IntegerCase{" 42", 42},
                                           IntegerCase{"   -7", -7}, IntegerCase{"+15", 15},
                                           IntegerCase{"007", 7}, IntegerCase{"$1A2B", 0x1A2B},
                                           IntegerCase{"$ff", 255}, IntegerCase{"-$10", -16},
                                           IntegerCase{"2147483647", 2147483647},
                                           IntegerCase{"-2147483648", -2147483647 - 1}));

class ToIntegerRejects : public ::testing::TestWithParam<std::string> {};

TEST_P(ToIntegerRejects, WithTheTextInTheMessage) {
    const std::string text = GetParam();
    try {
        toInteger(text);
        FAIL() << "accepted '" << text << "'";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.text(), text);
        EXPECT_EQ(std::string(e.what()), "'" + ansiToUtf8(text) + "' no es un valor entero válido");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ToIntegerRejects,
                         ::testing::Values("", " ", "$xyz", "$", "0x1A", "x1A", "12a", "42 ", "1 2",
                                           "+", "-", "--1", "1.5", "2147483648", "-2147483649",
                                           "99999999999999999999", "$100000000", "\t5"));

TEST(ConversionError, MessageIsUtf8) {
    const ConversionError e("8\xBA");  // "8º" in the table code page
    EXPECT_STREQ(e.what(), "'8\xC2\xBA' no es un valor entero v\xC3\xA1lido");
}

}  // namespace
