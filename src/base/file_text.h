// Whole-file reads and line counting shared by the routes and the page renderings. Files are
// read as raw bytes, without newline translation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

// The whole file; empty when it cannot be opened (a missing page renders as an empty body).
std::string readFile(const std::string& path);
// Reads a regular file whole into `contents`; false when the path is missing, is not a
// regular file (a directory) or cannot be read, so that an empty file is told from no file.
// No symbolic link is followed, in the file's name or any folder of its path.
bool readRegularFile(const std::string& path, std::string& contents);

// Splits at every line feed; a text ending in a line feed gets one more, empty, line, and an
// empty text gives no lines ("a\nb" and "a\n" both give two).
std::vector<std::string> splitLines(std::string_view text);
// The number of lines of submitted code, a final line break ending the last line ("a\n" and
// "a" are one line); 0 when the code is blank.
int countCodeLines(std::string_view code);

}  // namespace quorbel
