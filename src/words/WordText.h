#pragma once
// Text rules of the word features. Words are UTF-8; case changes cover ASCII
// and the Latin-1 letters (the accented letters of the French, German,
// Spanish and Italian lists). Passwords of the Random Characters method are
// plain ASCII.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorlix {

// Only the ASCII letters "A".."Z" and "a".."z" of text, in their order.
std::string trimVoid(std::string_view text);

// ASCII upper case of every byte; other bytes unchanged.
std::string asciiUpper(std::string_view text);
inline char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Lower case of every character (ASCII and Latin-1 letters).
std::string lowerWord(std::string_view text);
// Number of characters (code points) of UTF-8 text; a stray byte counts as one.
std::size_t characterCount(std::string_view text);
// Upper-cases the q-th character (1-based); a character without an upper-case
// form, or q outside the text, leaves it unchanged.
std::string upperCharacterAt(std::string_view text, std::size_t q);

// Upper case of every character (ASCII and Latin-1 letters).
std::string upperWord(std::string_view text);

// Surrounding blanks removed (VB Trim: spaces only).
std::string_view trimBlanks(std::string_view text);

} // namespace quorlix
