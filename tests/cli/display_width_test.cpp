// Display width: what aligned tables pad by, checked on the characters that
// camera models and serials from other markets and other software hold.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "display_width.h"
#include "text_escape.h"

TEST(DisplayWidth, CountsTerminalColumnsNotCodePointsOrBytes)
{
    const std::pair<const char*, std::size_t> cases[] = {
        {"NIKON D850", 10},
        {"caf\xC3\xA9", 4},                        // é precomposed
        {"cafe\xCC\x81", 4},                       // e + combining acute
        {"\xE3\x83\x8B\xE3\x82\xB3\xE3\x83\xB3", 6},  // ニコン, wide katakana
        {"\xE5\xB0\xBC\xE5\xBA\xB7", 4},           // 尼康, CJK ideographs
        {"\xEB\x8B\x88\xEC\xBD\x98", 4},           // 니콘, Hangul syllables
        {"\xEF\xBC\xAE\xEF\xBC\xA9", 4},           // ＮＩ, fullwidth Latin
        {"\xEF\xBD\xB6", 1},                       // ｶ, halfwidth katakana
        {"\xF0\x9F\x93\xB7", 2},                   // 📷
        {"\xE2\x9D\xA4\xEF\xB8\x8F", 1},           // ❤ + variation selector 16: the selector adds none
        {"a\xE2\x80\x8B" "b\xE2\x80\x8D" "c", 3},  // zero-width space and joiner
        {"\xE1\x84\x80\xE1\x85\xA1", 2},           // conjoining jamo: a leading consonant and its vowel
        {"\xCE\x9D\xCE\xAF\xCE\xBA\xCE\xBF\xCE\xBD", 5},  // Νίκον, Greek
        {"\xEF\xBF\xBE", 1},                       // a noncharacter, not wide
        {"", 0},
    };
    for (const auto& [text, width] : cases)
        EXPECT_EQ(width, DisplayWidth(text)) << text;
}

TEST(DisplayWidth, BytesThatAreNotUtf8CountAsTheEscapesThatShowThem)
{
    const std::string bytes = "D\xFF\xC3";
    EXPECT_EQ(9u, DisplayWidth(PrintableText(bytes)));  // D\xFF\xC3
}
