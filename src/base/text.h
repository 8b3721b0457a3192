// Byte-level text and identifier helpers shared by every detector. Identifiers follow C++'s
// ASCII rules, extended so that every byte 0x80-0xFF is an identifier byte: UTF-8 names such
// as 個数 are read as identifiers without decoding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

// Removes leading and trailing spaces, tabs, line feeds and carriage returns (not vertical
// tabs or form feeds).
std::string trim(std::string_view text);
// ASCII A-Z lowered; every other byte unchanged.
std::string lowerCopy(std::string text);

bool isIdentifierStartByte(unsigned char byte);
bool isIdentifierPartByte(unsigned char byte);
// "[A-Za-z_\x80-\xFF][A-Za-z0-9_\x80-\xFF]*", for building larger patterns.
const std::string& identifierRegexPattern();
// Backslash before each of $ ( ) * + . ? [ \ ] ^ { | }; everything else unchanged.
std::string regexEscape(std::string_view text);

// Space, tab, line feed, vertical tab, form feed or carriage return (the C white-space class).
bool isSpaceByte(char byte);
// The first position at or after `position` that is not white space (the text's size if none).
size_t skipSpaces(std::string_view text, size_t position);
// Reads the identifier starting exactly at `position`; false (token empty, end = position)
// when none starts there.
bool readIdentifierAt(std::string_view text, size_t position, std::string& token, size_t& end);
// The identifier that ends just before `position`, skipping white space; empty when the run
// there starts with a digit ("2n" gives nothing) or is not an identifier.
std::string previousIdentifierBefore(std::string_view text, size_t position);
// Every identifier token in order; digits not preceded by an identifier start are skipped, so
// "2n" gives n and "1e9" gives e9.
std::vector<std::string> identifierTokens(std::string_view text);
// Whole-token search: n is not found in nn or n2. False for an empty token.
bool containsIdentifierToken(std::string_view text, std::string_view token);
// Replaces every identifier token equal to `from` by `to`.
std::string replaceIdentifierTokens(std::string_view text, std::string_view from,
                                    std::string_view to);
// The position of the `close` that balances the `open` at `position`, counting only those two
// bytes; npos when the text ends first.
size_t matchingBracket(std::string_view text, size_t position, char open, char close);
// Joined with single line feeds, no trailing one.
std::string joinStrings(const std::vector<std::string>& parts);

}  // namespace quorbel
