// Windows names are UTF-16 and not always valid: a lone surrogate is a
// legal character of a name. Inside tessmar they are bytes, UTF-8 where
// valid and otherwise WTF-8 (a lone surrogate as its own three bytes,
// ED A0 80 to ED BF BF), so that every name comes back exactly when it is
// opened and the output escapes those bytes as it escapes any byte that is
// not UTF-8.
#pragma once

#include <string>
#include <string_view>

// UTF-16 (lone surrogates included) to UTF-8 / WTF-8.
std::string Wtf8FromWide(std::wstring_view wide);

// The reverse: UTF-8 or WTF-8 to UTF-16. A byte that is part of neither
// (which no name from the system holds) becomes U+FFFD.
std::wstring WideFromWtf8(std::string_view bytes);

// Valid UTF-8 to UTF-16 for a console, taking whole characters only: the
// bytes of a character cut off at the end of `bytes` are left in `carry`
// for the next call.
std::wstring WideForConsole(std::string_view bytes, std::string& carry);
