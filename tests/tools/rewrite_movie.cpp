// rewrite-movie IN.swf OUT.swf
//
// Loads a movie into the SWF object model and writes it back through the movie writer as it
// was read: the header's frame count as read, every tag (repeated frame labels included), and
// compressed ("CWS") when the input was. On failure the reason goes to stderr, the exit status
// is 1 (2 for a wrong command line) and no output is left behind. A movie that ends inside a
// tag is refused: it cannot be written back as it stands.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/FileSystem.h"
#include "platform/TempFolder.h"
#include "platform/WideString.h"
#include "swf/ControlTags.h"
#include "swf/SwfCompression.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfHeader.h"
#include "swf/SwfReader.h"

namespace {

std::string LoadErrorText(int error) {
  switch (error) {
    case kSwfReadCannotOpen: return "cannot be opened";
    case kSwfReadNotSwf: return "is not a SWF movie this reader takes (FWS, or CWS that inflates)";
    case kSwfReadOutOfMemory: return "is larger than the reader takes in";
    case kSwfReadNestedTooDeep: return "nests sprites deeper than the reader follows";
    default: return "cannot be read (error " + std::to_string(error) + ")";
  }
}

int Fail(const std::string& text) {
  std::fprintf(stderr, "rewrite-movie: %s\n", text.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: rewrite-movie IN.swf OUT.swf\n");
    return 2;
  }
  std::signal(SIGXFSZ, SIG_IGN);  // a write past the file-size limit is reported, not fatal
  const WideString input = Utf8ToWide(argv[1]);
  const WideString output = Utf8ToWide(argv[2]);
  SwfReader reader;
  if (!reader.LoadFileWithOptions(input, true, 0, true))
    return Fail(std::string(argv[1]) + " " + LoadErrorText(reader.GetError()));
  // A tag whose declared length runs past the end of the data cannot be written back as it
  // stands: its header would have to claim bytes that are not there.
  if (reader.HasCutTag())
    return Fail(std::string(argv[1]) + " ends inside a tag (its declared length runs past the end of the data)");
  const bool compress = reader.IsCompressed();

  WideString writePath = output;
  if (compress && !GetTempFilePath(writePath, L"rewrite-movie.swf", true))
    return Fail("no temporary file can be made for the uncompressed movie");
  bool ok = false;
  {
    SwfFileWriter writer;
    writer.CopyReadMovie(reader.GetHeader());
    if (!writer.Open(writePath, true)) {
      Fail(WideToUtf8(writePath) + " cannot be written: " + std::strerror(writer.LastError()));
    } else {
      for (const std::unique_ptr<SwfTag>& tag : reader.GetTags()) {
        // The End the reader adds where the data ended without one is not the movie's.
        const auto* end = dynamic_cast<const EndTag*>(tag.get());
        if (end != nullptr && end->addedAtEndOfData) continue;
        writer.AddTag(*tag);
      }
      if (writer.Close() == 0)
        Fail(WideToUtf8(writePath) + " could not be written completely: " + std::strerror(writer.LastError()));
      else
        ok = true;
    }
  }
  if (compress) {
    if (ok && !CompressSwfFile(writePath, output, true)) {
      Fail(std::string(argv[2]) + ": the compressed movie could not be written");
      ok = false;
    }
    DeleteFileAtPath(writePath);
  }
  return ok ? 0 : 1;
}
