// Thumbnails of projects and models for file managers: the model framed as "Reset view"
// frames it, in the texture view when the project has a Texture and in Surface colours
// otherwise, on a transparent background.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "base/setting.h"
#include "image/image.h"

// The sides a thumbnail may have: file managers ask for 128 to 1024.
inline constexpr SpinRange kThumbnailSides{16, 1024};
// A file manager asks for thumbnails of whatever lies in a folder, so a file must not hold up
// the run or take the machine's memory: beyond these the run ends without a picture.
inline constexpr unsigned kThumbnailSeconds = 10;
inline constexpr uint64_t kThumbnailMemoryBytes = uint64_t{2} << 30;
inline constexpr uint64_t kThumbnailFileBytes = uint64_t{512} << 20;

// The thumbnail of the .qmap project, or .3ds or .obj model (by extension, as a new project
// reads it), at `path`: size × size RGBA pixels, the background transparent. nullopt when the
// file is no readable project or model or has no triangle, or is larger than
// kThumbnailFileBytes; `why` then says so.
std::optional<Image> thumbnailOf(const std::string& path, int size, std::string& why);

// quillmap --thumbnail INPUT OUTPUT SIZE (`args` without "--thumbnail"): writes the thumbnail
// of INPUT as a PNG file OUTPUT, within kThumbnailSeconds and kThumbnailMemoryBytes. Returns
// the exit status; on any failure nothing is written and the reason goes to `err`. It bounds
// the whole process, so it is called only as the program's command.
int runThumbnail(const std::vector<std::string>& args, std::ostream& err);
