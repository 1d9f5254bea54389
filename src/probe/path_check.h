#pragma once
// The checks a file passes before it is probed, shared by the source pickers, `--probe` and
// `flipframe convert`: it must be a readable, non-empty file, and its path one the command
// text can carry (the converter's output is judged by its level tags, never by words in it,
// so a name such as "mirror_errors/clip.mp4" is as good as any).
#include <string>

namespace probe {

inline constexpr const char* kEmptyFileMessage = "该文件为空文件或被占用，无法读取。";
inline constexpr const char* kPathTooLongMessage = "文件因路径过长，无法使用，请加以修改重新尝试。";
inline constexpr const char* kReservedCharacterMessage =
    "文件因含有保留字符或特殊字符，无法使用，请加以修改重新尝试。";
inline constexpr size_t kPathLimit = 256;  // bytes; a path this long or longer is refused

// The message that refuses `path` for its text, or "" when it may be probed: 256 bytes or
// more, a double quote or a control character. The length decides the message even when a
// forbidden character is present too.
const char* PathProblem(const std::string& path);

// The whole check before a probe: kEmptyFileMessage for a file that is missing, a folder,
// unreadable or empty, then PathProblem. "" when the file may be probed.
const char* ProbeRequestProblem(const std::string& path);

}  // namespace probe
