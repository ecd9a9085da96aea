// Conversion between uncompressed ("FWS") and compressed ("CWS") SWF movies.
//
// Both forms share the first eight bytes: signature, version and the length of the
// uncompressed file. In a "CWS" movie everything after them is one zlib stream.
//
// Inflation is bounded: it stops at the declared length and at the end of the zlib stream,
// never produces more than a ceiling (1 GiB unless a caller gives a smaller one), and never
// allocates from the declared length. A stream that ends early or is damaged is an error,
// and the file functions then leave no partial file: they write through a temporary file in
// the destination's folder that replaces the destination only when everything succeeded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/WideString.h"

inline constexpr uint64_t kSwfMaxInflatedSize = uint64_t{1} << 30;

enum class SwfInflateResult {
  kOk,
  kNotCompressed,  // the data does not start with "CWS" and a length
  kCorrupt,        // zlib reported damaged data, or the declared length is impossible
  kTruncated,      // the data ended before the zlib stream and the declared length
  kTooLarge,       // the declared length is above the ceiling
  kReadFailed,     // the input could not be read
  kWriteFailed,    // the output could not be written
};

// Inflates a whole "CWS" movie held in memory into its "FWS" form (signature, version and
// declared length first, then the inflated bytes). `out` is replaced; on failure it is empty.
[[nodiscard]] SwfInflateResult InflateSwf(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                                          uint64_t ceiling = kSwfMaxInflatedSize);
// Deflates a whole "FWS" movie held in memory into its "CWS" form (zlib level 9). False, with
// `out` empty, when the data does not start with "FWS" and a length.
[[nodiscard]] bool DeflateSwf(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

// The file opens and starts with "FWS" or "CWS".
bool HasSwfSignature(const WideString& path);
// The file opens and starts with "CWS".
bool IsCompressedSwfFile(const WideString& path);

// Writes the "CWS" form of an "FWS" file. An existing destination is replaced only when
// `replace` is true. False when the source is not "FWS" or on any read or write error;
// the destination is then as it was.
[[nodiscard]] bool CompressSwfFile(const WideString& source, const WideString& destination, bool replace);
// Writes the "FWS" form of a "CWS" file, with the same rules. A damaged or truncated source
// gives false and leaves no file.
[[nodiscard]] bool DecompressSwfFile(const WideString& source, const WideString& destination, bool replace,
                                     uint64_t ceiling = kSwfMaxInflatedSize);
// Replaces a "CWS" file by its "FWS" form. A file that is not compressed is left as it is:
// the result is then true without a backup and false with one. With `viaBackup`, the file is
// first renamed to its backup name (the name with "~" appended, an older backup deleted) and
// inflated from there; on failure the backup is renamed back. False when inflation fails; the
// file is then unchanged.
[[nodiscard]] bool DecompressSwfFileInPlace(const WideString& path, bool viaBackup);
