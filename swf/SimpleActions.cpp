#include "swf/SimpleActions.h"

#include "swf/SwfBitWriter.h"

size_t ActionCall::Write(SwfBitWriter& writer) {
  writer.WriteU8(0x9E);
  writer.WriteU16(0);
  return 3;
}

const char* SimpleActionName(uint8_t code) {
  switch (code) {
#define PLENWICK_SIMPLE_NAME(Name, Code, Listing) \
  case Code: return Listing;
    PLENWICK_SIMPLE_ACTIONS(PLENWICK_SIMPLE_NAME)
#undef PLENWICK_SIMPLE_NAME
    case 0x9E: return "Call";
    default: return nullptr;
  }
}

std::unique_ptr<ActionRecord> MakeSimpleAction(uint8_t code) {
  switch (code) {
#define PLENWICK_SIMPLE_MAKE(Name, Code, Listing) \
  case Code: return std::make_unique<Name>();
    PLENWICK_SIMPLE_ACTIONS(PLENWICK_SIMPLE_MAKE)
#undef PLENWICK_SIMPLE_MAKE
    case 0x9E: return std::make_unique<ActionCall>();
    default: return nullptr;
  }
}
