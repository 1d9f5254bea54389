#pragma once
// Byte-string helpers on the program's UTF-8 texts. Positions are 1-based byte positions;
// a search that finds nothing gives -1. An ASCII needle never matches inside a multi-byte
// UTF-8 character, so no character-boundary test is needed.
#include <string>
#include <string_view>

namespace text {

enum class Case { Exact, Ignore };

// First occurrence of needle starting at or after `start` (below 1 means 1), or -1.
int Find(std::string_view text, std::string_view needle, int start = 1, Case c = Case::Exact);
// Last occurrence lying wholly before position `before` (ending at before - 1 or earlier),
// or -1; -1 whenever before <= 1. With before < 0 ... use the overload without it.
int FindLast(std::string_view text, std::string_view needle, int before);
int FindLast(std::string_view text, std::string_view needle);

std::string Middle(std::string_view text, int start, int count);
std::string Left(std::string_view text, int count);
std::string Right(std::string_view text, int count);

// The leading number as atoi reads it: blanks skipped, optional sign, digits; 0 if none.
int ToInteger(std::string_view text);

// Text after the first start marker (searched from `from`) up to the next end marker.
std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                        int from = 1);

// Removes the blank 0x20 from both ends; tabs and line breaks stay.
std::string TrimBlanks(std::string_view text);

// "HH:MM:SS..." -> whole seconds; 0 when the 3rd or 6th character is not ':'.
int SecondsOfDuration(std::string_view duration);

// Every occurrence of `from` replaced by `to`, left to right, ASCII letters compared
// without regard to case.
std::string ReplaceAllIgnoreCase(std::string_view text, std::string_view from, std::string_view to);

std::string ToLowerAscii(std::string_view text);

}  // namespace text
