// The tag factory: the object of the model's class for a tag code, not yet read.
#pragma once

#include <cstdint>
#include <memory>

#include "swf/SwfRecord.h"

// Code of the private tag that some authoring tools write; it is kept as raw bytes.
inline constexpr int kSwfTagPrivate = 999;

// A new tag object for `code`, before it reads its body of `bodyLength` bytes. Codes the
// model does not know become a RawTag of that code and length, whose bytes pass unchanged.
std::unique_ptr<SwfTag> CreateSwfTag(int code, uint32_t bodyLength);

// True when CreateSwfTag makes a class of its own for the code (not a RawTag).
bool IsModelledSwfTagCode(int code);
