// The header fields of a movie file, read without loading the movie.
#pragma once

#include <cstdint>

#include "platform/WideString.h"

// Reads the header of an "FWS" or "CWS" file: the stage size (width and height in twips,
// that is Xmax - Xmin and Ymax - Ymin), the frame rate, the version byte, the frame count and
// whether the file is compressed. Null pointers are skipped. Only the first bytes of the file
// are read (for a compressed file, only the start of the zlib stream is inflated). False,
// storing nothing, when the file can't be read or does not start with a whole SWF header.
[[nodiscard]] bool ReadSwfFileInfo(const WideString& path, int32_t* width, int32_t* height, float* frameRate,
                                   uint8_t* version, uint16_t* frameCount, bool* compressed);
