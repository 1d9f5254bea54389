#pragma once
// A list of words written as one line for a POSIX shell: `sh -c` splits the line back into
// exactly these words, so a stored command can be copied and run by hand.
#include <string>
#include <vector>

namespace text {

// The word as it stands when it holds only characters no shell treats specially, otherwise
// between single quotes, each ' inside written as '\'' (close, escaped quote, reopen).
std::string ShellQuote(const std::string& word);

// The quoted words joined by single blanks.
std::string ShellLine(const std::vector<std::string>& words);

}  // namespace text
