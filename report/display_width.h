// How many terminal columns a text takes: East Asian wide and fullwidth
// characters (CJK, Hangul, most emoji) two, combining marks and zero-width
// characters (the joiner, variation selectors) none, every other character
// one. What aligned tables pad by, so that their columns line up whatever
// script a camera's model or serial is written in.
#pragma once

#include <cstddef>
#include <string_view>

// The columns of one code point: 0, 1 or 2. Controls count one, as the
// escapes that stand for them in printed text are counted by their own
// characters.
int CodePointColumns(unsigned codePoint);

// The columns of valid UTF-8 text, as PrintableText makes it (bytes that
// are not UTF-8 are shown as \xNN and so counted as those four characters).
// A byte that does not start a well-formed sequence counts one.
std::size_t DisplayWidth(std::string_view utf8);
