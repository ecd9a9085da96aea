// Any text given to CompileScriptToDoAction ends in null or in a DoAction tag whose actions
// are sound AVM1 (the independent verifier finds no problem): never a crash, a leak or a hang.
// Below SWF 5 the result is always null.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "script/ScriptCompiler.h"
#include "swf/DoActionTag.h"
#include "swf/SwfBitWriter.h"
#include "tests/support/AvmVerifier.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int32_t version = 4 + data[0] % 5;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::unique_ptr<DoActionTag> tag = CompileScriptToDoAction(Utf8ToWide(text), version);
  if (!tag) return 0;
  if (version < 5) std::abort();

  SwfBitWriter writer(static_cast<uint8_t>(version));
  tag->WriteActions(writer, false);
  std::vector<uint8_t> bytes = writer.GetBytes();
  if (bytes.empty() || bytes.back() != 0) std::abort();
  bytes.pop_back();
  avmverify::VerifyOptions options;
  options.finalEnd = avmverify::FinalEnd::Refused;
  avmverify::VerifyResult result = avmverify::VerifyActionBlock(bytes, options);
  if (!result.Ok()) {
    std::fprintf(stderr, "%s\n", result.Report().c_str());
    std::abort();
  }
  return 0;
}
