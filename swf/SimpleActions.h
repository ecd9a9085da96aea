// The actions that consist of their code byte alone, and Call (code 0x9E with
// an empty length field). Each is a class of its own without data.
#pragma once

#include "swf/ActionRecord.h"

// X(class name, code, listing name): every one-code action, in code order.
#define PLENWICK_SIMPLE_ACTIONS(X)                  \
  X(ActionNextFrame, 0x04, "NextFrame")             \
  X(ActionPreviousFrame, 0x05, "PreviousFrame")     \
  X(ActionPlay, 0x06, "Play")                       \
  X(ActionStop, 0x07, "Stop")                       \
  X(ActionToggleQuality, 0x08, "ToggleQuality")     \
  X(ActionStopSounds, 0x09, "StopSounds")           \
  X(ActionAdd, 0x0A, "Add")                         \
  X(ActionSubtract, 0x0B, "Subtract")               \
  X(ActionMultiply, 0x0C, "Multiply")               \
  X(ActionDivide, 0x0D, "Divide")                   \
  X(ActionEquals, 0x0E, "Equals")                   \
  X(ActionLess, 0x0F, "LessThan")                   \
  X(ActionAnd, 0x10, "AND")                         \
  X(ActionOr, 0x11, "OR")                           \
  X(ActionNot, 0x12, "NOT")                         \
  X(ActionStringEquals, 0x13, "StringEquals")       \
  X(ActionStringLength, 0x14, "StringLength")       \
  X(ActionStringExtract, 0x15, "StringExtract")     \
  X(ActionPop, 0x17, "Pop")                         \
  X(ActionToInteger, 0x18, "ToInteger")             \
  X(ActionGetVariable, 0x1C, "GetVariable")         \
  X(ActionSetVariable, 0x1D, "SetVariable")         \
  X(ActionSetTarget2, 0x20, "SetTarget2")           \
  X(ActionStringAdd, 0x21, "StringAdd")             \
  X(ActionGetProperty, 0x22, "GetProperty")         \
  X(ActionSetProperty, 0x23, "SetProperty")         \
  X(ActionCloneSprite, 0x24, "CloneSprite")         \
  X(ActionRemoveSprite, 0x25, "RemoveSprite")       \
  X(ActionTrace, 0x26, "Trace")                     \
  X(ActionStartDrag, 0x27, "StartDrag")             \
  X(ActionEndDrag, 0x28, "EndDrag")                 \
  X(ActionStringLess, 0x29, "StringLess")           \
  X(ActionRandomNumber, 0x30, "RandomNumber")       \
  X(ActionMBStringLength, 0x31, "MBStringLength")   \
  X(ActionCharToAscii, 0x32, "CharToASCII")         \
  X(ActionAsciiToChar, 0x33, "ASCIIToChar")         \
  X(ActionGetTime, 0x34, "GetTime")                 \
  X(ActionMBStringExtract, 0x35, "MBStringExtract") \
  X(ActionMBCharToAscii, 0x36, "MBCharToASCII")     \
  X(ActionMBAsciiToChar, 0x37, "MBASCIIToChar")     \
  X(ActionDelete, 0x3A, "Delete")                   \
  X(ActionDelete2, 0x3B, "Delete2")                 \
  X(ActionDefineLocal, 0x3C, "DefineLocal")         \
  X(ActionCallFunction, 0x3D, "CallFunction")       \
  X(ActionReturn, 0x3E, "Return")                   \
  X(ActionModulo, 0x3F, "Modulo")                   \
  X(ActionNewObject, 0x40, "NewObject")             \
  X(ActionDefineLocal2, 0x41, "DefineLocal2")       \
  X(ActionInitArray, 0x42, "InitArray")             \
  X(ActionInitObject, 0x43, "InitObject")           \
  X(ActionTypeOf, 0x44, "TypeOf")                   \
  X(ActionTargetPath, 0x45, "TargetPath")           \
  X(ActionEnumerate, 0x46, "Enumerate")             \
  X(ActionAdd2, 0x47, "Add2")                       \
  X(ActionLess2, 0x48, "Less2")                     \
  X(ActionEquals2, 0x49, "Equals2")                 \
  X(ActionToNumber, 0x4A, "ToNumber")               \
  X(ActionToString, 0x4B, "ToString")               \
  X(ActionPushDuplicate, 0x4C, "PushDuplicate")     \
  X(ActionStackSwap, 0x4D, "StackSwap")             \
  X(ActionGetMember, 0x4E, "GetMember")             \
  X(ActionSetMember, 0x4F, "SetMember")             \
  X(ActionIncrement, 0x50, "Increment")             \
  X(ActionDecrement, 0x51, "Decrement")             \
  X(ActionCallMethod, 0x52, "CallMethod")           \
  X(ActionNewMethod, 0x53, "NewMethod")             \
  X(ActionInstanceOf, 0x54, "InstanceOf")           \
  X(ActionEnumerate2, 0x55, "Enumerate2")           \
  X(ActionBitAnd, 0x60, "BitAND")                   \
  X(ActionBitOr, 0x61, "BitOR")                     \
  X(ActionBitXor, 0x62, "BitXOR")                   \
  X(ActionBitLShift, 0x63, "BitLShift")             \
  X(ActionBitRShift, 0x64, "BitRShift")             \
  X(ActionBitURShift, 0x65, "BitURShift")           \
  X(ActionStrictEquals, 0x66, "StrictEquals")       \
  X(ActionGreater, 0x67, "GreaterThan")

#define PLENWICK_DECLARE_SIMPLE_ACTION(Name, Code, Listing)                                        \
  class Name : public ActionRecord {                                                               \
   public:                                                                                         \
    Name() = default;                                                                              \
    ~Name() override = default;                                                                    \
    uint8_t ActionCode() const override { return Code; }                                           \
    std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<Name>(*this); } \
  };
PLENWICK_SIMPLE_ACTIONS(PLENWICK_DECLARE_SIMPLE_ACTION)
#undef PLENWICK_DECLARE_SIMPLE_ACTION

// Call: the one code-only action at 0x80 or above, so it carries an empty length field.
class ActionCall : public ActionRecord {
 public:
  ActionCall() = default;
  ~ActionCall() override = default;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x9E; }
  uint32_t Size() const override { return 3; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionCall>(*this); }
};

// The listing name of a one-code action ("Stop", "LessThan", "Call"), or null
// for a code that is not one of them.
const char* SimpleActionName(uint8_t code);

// A new object of the one-code class for the code, or null for any other code.
std::unique_ptr<ActionRecord> MakeSimpleAction(uint8_t code);
