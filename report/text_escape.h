// How bytes from file names and from files become output text. Names and
// texts are bytes, not always UTF-8; every form below keeps them exactly
// (a script can get the bytes back) and keeps terminal control bytes out.
//
// - Valid UTF-8 is written as it is, except control characters (U+0000 to
//   U+001F, U+007F to U+009F).
// - Text and CSV: a control character's bytes, and every byte that is not
//   part of valid UTF-8, are written as \xNN (two upper-case hex digits); a
//   backslash is written as \\.
// - JSON: control characters as JSON escapes (\n, \u001b, ...), quotes and
//   backslashes escaped, and each byte 0xNN that is not part of valid UTF-8
//   as \udcNN, the "surrogateescape" convention (PEP 383): in Python,
//   os.fsencode(value) gives the original bytes back.
// - XML (an SVG's text): the text form, with &, <, >, " and ' as
//   character references, and U+FFFE and U+FFFF, which XML does not allow,
//   as \xNN too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The length of the well-formed UTF-8 sequence that starts `bytes` (1 to
// 4), or 0 when the bytes there are not valid UTF-8: overlong forms,
// surrogates, values above U+10FFFF and cut-off sequences are not.
std::size_t Utf8SequenceLength(const unsigned char* bytes, std::size_t available);

// The code point of the well-formed sequence of `length` bytes at `bytes`,
// as Utf8SequenceLength measured it.
unsigned Utf8CodePoint(const unsigned char* bytes, std::size_t length);

// Bytes as text for a terminal or a CSV cell, by the rule above.
std::string PrintableText(const std::string& bytes);

// Bytes as a JSON string literal, quotes included, by the rule above.
std::string JsonString(const std::string& bytes);

// A CSV field: PrintableText, quoted (quotes doubled) when it holds a comma
// or a quote. No field ever holds a line break. Bytes that begin with =, +,
// -, @, a tab or a carriage return get a leading ' so that no spreadsheet
// takes the cell for a formula; JSON keeps such texts exactly.
std::string CsvField(const std::string& bytes);

// The same three, appended to `out`: a line built of many of them then
// needs no string of its own for each.
void AppendPrintableText(std::string& out, std::string_view bytes);
void AppendJsonString(std::string& out, std::string_view bytes);
void AppendCsvField(std::string& out, std::string_view bytes);

// Bytes as XML character data or an attribute value, by the rule above,
// cut to `maxCharacters` characters of the text form (an ellipsis the last
// of them) when longer.
std::string XmlText(const std::string& bytes, std::size_t maxCharacters = static_cast<std::size_t>(-1));
