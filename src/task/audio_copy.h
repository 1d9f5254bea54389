#pragma once
// Whether a sound track may be copied unchanged into an output container. Containers carry
// only some codecs properly: AVI takes AAC without complaint, yet its packets then share
// timestamps and most of the sound does not play.
#include <string_view>

namespace task {

// `codec` as the converter names it ("aac", "mp3", "pcm_s16le"), `outputFormat` an extension
// with its dot. True for a codec the container carries properly, for a container that
// carries any codec (.mkv) or that is not in the table, and for an unknown codec (a task
// stored before codecs were recorded: the output check still hears the result).
bool AudioCopyFits(std::string_view codec, std::string_view outputFormat);

}  // namespace task
