#pragma once
// Reading the converter: the temporary output and the duration of a task from its argument
// text, and the progress, speed and failures from the converter's output chunks. Pure text
// functions on the program's UTF-8 texts; positions are 1-based, -1 when nothing is found.
#include <string>
#include <string_view>
#include <vector>

namespace batch {

// The last double-quoted item of the arguments: the temporary output file the builder puts
// at the end. "" when the arguments hold no pair of double quotes.
std::string OutputFile(std::string_view arguments);

// Whole seconds after the first `" -to ` (a quoted input followed by the end-of-range
// option), read as HH:MM:SS; the fraction is ignored. 0 when it is missing or malformed.
int TaskDuration(std::string_view arguments);

// A clock text "HH:MM:SS" with an optional fraction (".25") in seconds; -1 in any other
// form (e.g. "N/A"). Text after the clock from a blank or a comma on is ignored.
double ClockSeconds(std::string_view clock);

// The task's output duration in seconds: the clock after the first `" -to `; -1 without one.
double OutputDurationSeconds(std::string_view arguments);

// The same three for a command already split into words: the last word is the output, the
// word after the first "-to" the duration.
std::string OutputFile(const std::vector<std::string>& words);
int TaskDuration(const std::vector<std::string>& words);
double OutputDurationSeconds(const std::vector<std::string>& words);

// The line (blanks and line ends trimmed) of the first write failure in the converter's
// output ("Error writing trailer", "Error closing file", "No space left on device", "Error
// writing"); "" when there is none. The converter may report these and still exit with 0.
std::string WriteFailureLine(std::string_view output);

// Position of the first " time=" of a chunk, or -1: only the first progress line counts.
int ProgressPosition(std::string_view chunk);

// Seconds of the progress line at `position`: HH:MM:SS (0 when not in that form, e.g. a
// negative time or N/A) plus the 3 characters after it read as a fraction (".45"), the
// fraction taken to single precision.
double ProgressSeconds(std::string_view chunk, int position);

// The text after " speed=" up to the next "x " at or after `position`, leading blanks
// kept (" 1.5"). "" when a marker is missing or the value runs past the end of its line.
std::string SpeedText(std::string_view chunk, int position);

// seconds / duration * 100; infinite (or NaN) for a duration of 0, so never "at most 100".
double Percentage(double seconds, int duration);
// Rounded to two decimals, halves away from zero, written as %.13g: 37.46, 50, 12.5, 100.
std::string PercentageText(double percentage);

// The four known converter phrases replaced by their Chinese texts, in order, letters
// compared without regard to case; everything else stays as it is.
std::string FailureTranslation(std::string_view text);

// The text on one line, as a row of the task list shows it: every line break removed.
std::string OneLine(std::string_view text);

// The last line of the output that is not blank ("\r" and "\n" both end a line), or "".
std::string LastNonBlankLine(std::string_view output);

}  // namespace batch
