// CRC-32 checksums and one-shot zlib compression into buffers that size themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The CRC-32 of ISO 3309 / ITU-T V.42 (zlib's and PNG's) of the bytes. False, with the
// checksum unchanged, for a null pointer.
bool Crc32Bytes(const void* bytes, size_t count, std::uint32_t& checksum);
// The same CRC over the low byte of each character of a NUL-terminated text (0 for "");
// false for null.
bool Crc32WideString(const wchar_t* text, std::uint32_t& checksum);

// The bytes as a zlib stream (default level) in a new buffer; null on failure (or for a
// null pointer with a count above 0). length receives the compressed size.
std::unique_ptr<unsigned char[]> CompressToNewBuffer(const void* bytes, size_t count, size_t& length);

// Largest result UncompressToNewBuffer produces unless told otherwise.
inline constexpr size_t kMaxUncompressedLength = size_t{512} << 20;

// Inflates a zlib stream into a new buffer that grows as needed, up to maxLength bytes.
// Null when the stream is damaged or cut short (or the pointer null with a count above 0), or its content would be
// longer than maxLength. length receives the uncompressed size. Bytes after the end of the stream are ignored.
std::unique_ptr<unsigned char[]> UncompressToNewBuffer(const void* bytes, size_t count, size_t& length,
                                                       size_t maxLength = kMaxUncompressedLength);
