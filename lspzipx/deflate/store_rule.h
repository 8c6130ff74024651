// When deflating is a waste: data that is compressed already is stored, so
// no time goes into deflating it for a gain of a fraction of a percent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lsz {

enum class Verdict : uint8_t { Undecided, Deflate, Store };

// True for names whose type is compressed by nature: archives, compressed
// streams, images, audio and video.
bool isPrecompressedName(std::wstring_view name);

// The verdict on an entry after its first chunk. An entry of one chunk is
// deflated only when that makes it smaller; a longer one only when its
// first chunk shrinks by at least one percent, since every later chunk then
// costs deflate's time for little gain.
Verdict judgeFirstChunk(size_t rawSize, size_t deflatedSize, bool onlyChunk);

}  // namespace lsz
