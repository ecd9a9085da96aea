// The code generator's own action records and the values its pushes carry.
//
// A record knows its size for a SWF version and writes its bytes through an ActionWriter.
// Size(version) computes the size and keeps it; Write then uses the kept size, so Size must
// have run for the same version first (the enclosing records and GenerateActionBytes see to
// that). Every length or offset that the format holds in 16 bits is checked when the size is
// computed: a value that does not fit is a ScriptGenerateError, never a wrapped number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A script that the generator cannot turn into valid actions (a block too large for its
// 16-bit length, a break outside a loop, a call it cannot translate, ...).
class ScriptGenerateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // The line of the parsed text that the refused construct was read from, 0 when not known.
  int32_t line = 0;
};

// The output cursor of the records: little-endian numbers and zero-terminated strings.
class ActionWriter {
 public:
  explicit ActionWriter(int32_t version) : version_(version) {}

  int32_t Version() const { return version_; }
  size_t Position() const { return bytes_.size(); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t> TakeBytes() { return std::move(bytes_); }
  void Reserve(size_t size) { bytes_.reserve(size); }

  void WriteU8(uint32_t value) { bytes_.push_back(static_cast<uint8_t>(value)); }
  void WriteU16(uint32_t value) {
    WriteU8(value);
    WriteU8(value >> 8);
  }
  void WriteU32(uint32_t value) {
    WriteU16(value);
    WriteU16(value >> 16);
  }
  // The characters, then a 0 byte.
  void WriteString(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    WriteU8(0);
  }

 private:
  int32_t version_;
  std::vector<uint8_t> bytes_;
};

// ---------------------------------------------------------------------------------------------
// Push values

enum class PushValueType : int32_t {
  String = 0,
  Null = 2,
  Undefined = 3,
  Register = 4,
  Boolean = 5,
  Double = 6,
  Integer = 7,
  Constant = 8,  // written as type 8 (8-bit index) or 9 (16-bit index)
};

class GenPushValue {
 public:
  virtual ~GenPushValue() = default;
  PushValueType Type() const { return type_; }
  virtual std::unique_ptr<GenPushValue> Clone() const = 0;
  virtual int32_t Size() const = 0;
  virtual void Write(ActionWriter& writer) const = 0;

 protected:
  explicit GenPushValue(PushValueType type) : type_(type) {}

 private:
  PushValueType type_;
};

using GenPushValuePtr = std::unique_ptr<GenPushValue>;

class PushString final : public GenPushValue {
 public:
  explicit PushString(std::string text) : GenPushValue(PushValueType::String), text(std::move(text)) {}
  GenPushValuePtr Clone() const override { return std::make_unique<PushString>(text); }
  int32_t Size() const override;
  void Write(ActionWriter& writer) const override;
  std::string text;
};

class PushNull final : public GenPushValue {
 public:
  PushNull() : GenPushValue(PushValueType::Null) {}
  GenPushValuePtr Clone() const override { return std::make_unique<PushNull>(); }
  int32_t Size() const override { return 1; }
  void Write(ActionWriter& writer) const override { writer.WriteU8(2); }
};

class PushUndefined final : public GenPushValue {
 public:
  PushUndefined() : GenPushValue(PushValueType::Undefined) {}
  GenPushValuePtr Clone() const override { return std::make_unique<PushUndefined>(); }
  int32_t Size() const override { return 1; }
  void Write(ActionWriter& writer) const override { writer.WriteU8(3); }
};

class PushRegister final : public GenPushValue {
 public:
  explicit PushRegister(uint8_t number) : GenPushValue(PushValueType::Register), number(number) {}
  GenPushValuePtr Clone() const override { return std::make_unique<PushRegister>(number); }
  int32_t Size() const override { return 2; }
  void Write(ActionWriter& writer) const override;
  uint8_t number;
};

class PushBoolean final : public GenPushValue {
 public:
  explicit PushBoolean(bool value) : GenPushValue(PushValueType::Boolean), value(value) {}
  GenPushValuePtr Clone() const override { return std::make_unique<PushBoolean>(value); }
  int32_t Size() const override { return 2; }
  void Write(ActionWriter& writer) const override;
  bool value;
};

class PushDouble final : public GenPushValue {
 public:
  explicit PushDouble(double value) : GenPushValue(PushValueType::Double), value(value) {}
  GenPushValuePtr Clone() const override { return std::make_unique<PushDouble>(value); }
  int32_t Size() const override { return 9; }
  // 06, then the high 32 bits of the IEEE pattern, then the low 32 bits, each little-endian.
  void Write(ActionWriter& writer) const override;
  double value;
};

class PushInteger final : public GenPushValue {
 public:
  explicit PushInteger(int32_t value) : GenPushValue(PushValueType::Integer), value(value) {}
  GenPushValuePtr Clone() const override { return std::make_unique<PushInteger>(value); }
  int32_t Size() const override { return 5; }
  void Write(ActionWriter& writer) const override;
  int32_t value;
};

// A reference into the constant pool: 08 and an 8-bit index below 256, else 09 and 16 bits.
class PushConstant final : public GenPushValue {
 public:
  explicit PushConstant(uint16_t index) : GenPushValue(PushValueType::Constant), index(index) {}
  GenPushValuePtr Clone() const override { return std::make_unique<PushConstant>(index); }
  int32_t Size() const override { return index < 256 ? 2 : 3; }
  void Write(ActionWriter& writer) const override;
  uint16_t index;
};

// ---------------------------------------------------------------------------------------------
// Records

// Codes of the SWF actions the generator emits.
namespace GenCode {
inline constexpr int32_t NextFrame = 0x04, PreviousFrame = 0x05, Play = 0x06, Stop = 0x07, ToggleQuality = 0x08,
                         StopSounds = 0x09, Subtract = 0x0B, Multiply = 0x0C, Divide = 0x0D, Not = 0x12,
                         StringLength = 0x14, StringExtract = 0x15, Pop = 0x17, ToInteger = 0x18, GetVariable = 0x1C,
                         SetVariable = 0x1D, StringAdd = 0x21, GetProperty = 0x22, SetProperty = 0x23,
                         CloneSprite = 0x24, RemoveSprite = 0x25, Trace = 0x26, StartDrag = 0x27, EndDrag = 0x28,
                         RandomNumber = 0x30, MBStringLength = 0x31, CharToAscii = 0x32, AsciiToChar = 0x33,
                         GetTime = 0x34, MBStringExtract = 0x35, MBCharToAscii = 0x36, MBAsciiToChar = 0x37,
                         Delete = 0x3A, Delete2 = 0x3B, DefineLocal = 0x3C, CallFunction = 0x3D, Return = 0x3E,
                         Modulo = 0x3F, NewObject = 0x40, DefineLocal2 = 0x41, InitArray = 0x42, InitObject = 0x43,
                         TypeOf = 0x44, TargetPath = 0x45, Enumerate = 0x46, Add2 = 0x47, Less2 = 0x48, Equals2 = 0x49,
                         ToNumber = 0x4A, ToString = 0x4B, PushDuplicate = 0x4C, StackSwap = 0x4D, GetMember = 0x4E,
                         SetMember = 0x4F, Increment = 0x50, Decrement = 0x51, CallMethod = 0x52, InstanceOf = 0x54,
                         Enumerate2 = 0x55, BitAnd = 0x60, BitOr = 0x61, BitXor = 0x62, BitLShift = 0x63,
                         BitRShift = 0x64, BitURShift = 0x65, Greater = 0x67, GotoFrame = 0x81, GetUrl = 0x83,
                         StoreRegister = 0x87, ConstantPool = 0x88, With = 0x94, Push = 0x96, Jump = 0x99,
                         GetUrl2 = 0x9A, DefineFunction = 0x9B, If = 0x9D, Call = 0x9E, GotoFrame2 = 0x9F;
// Placeholders of break and continue until their loop turns them into Jumps.
inline constexpr int32_t BreakPlaceholder = 256, ContinuePlaceholder = 257;
// Kinds of the records that are not actions.
inline constexpr int32_t ClipEventHandler = 12, ButtonCondition = 13;
inline constexpr int32_t PlainList = 1, ButtonConditionList = 2, ClipActionList = 3;
}  // namespace GenCode

class GenAction {
 public:
  virtual ~GenAction() = default;
  GenAction(const GenAction&) = delete;
  GenAction& operator=(const GenAction&) = delete;

  int32_t Code() const { return code_; }
  // Computes the size for the version, keeps it and returns it.
  virtual int32_t Size(int32_t version) = 0;
  // The size kept by the last Size call (or fixed at construction).
  int32_t KeptSize() const { return size_; }
  virtual void Write(ActionWriter& writer) const = 0;

  // Set on the last record of a stretch that a branch jumps over or to the end of: a push
  // appended later starts a push of its own instead of growing this one, so that the branch
  // still lands on an action boundary.
  bool sealed = false;

 protected:
  GenAction(int32_t code, int32_t size) : code_(code), size_(size) {}
  int32_t code_;
  int32_t size_;
};

using GenActionPtr = std::unique_ptr<GenAction>;
using GenList = std::vector<GenActionPtr>;

// The sum of the records' sizes for the version.
int64_t GenListLength(GenList& list, int32_t version);

// A code alone (any code below 0x80), or Call (0x9E) with its empty length field.
class GenSimpleAction final : public GenAction {
 public:
  explicit GenSimpleAction(int32_t code) : GenAction(code, code == GenCode::Call ? 3 : 1) {}
  int32_t Size(int32_t) override { return size_; }
  void Write(ActionWriter& writer) const override;
};

// An action with one number: 8 bits for StoreRegister, GetURL2 and GotoFrame2, 16 bits for
// GotoFrame, With, Jump and If, and for the break and continue placeholders (as large as
// the Jump they become). The operand stays writable; it is checked against its field when
// the size is computed (signed for branch offsets, unsigned for the others).
class GenOperandAction final : public GenAction {
 public:
  GenOperandAction(int32_t code, int64_t operand);
  int32_t Size(int32_t version) override;
  void Write(ActionWriter& writer) const override;
  // Turns a placeholder into a Jump with its offset (or sets any operand).
  void SetCode(int32_t code) { code_ = code; }
  int64_t operand;
};

// GetURL with its two strings.
class GenUrlAction final : public GenAction {
 public:
  GenUrlAction(std::string url, std::string target);
  int32_t Size(int32_t version) override;
  void Write(ActionWriter& writer) const override;
  std::string url;
  std::string target;
};

class GenPush final : public GenAction {
 public:
  GenPush() : GenAction(GenCode::Push, 3) {}
  int32_t Size(int32_t version) override;
  void Write(ActionWriter& writer) const override;
  // The payload's bytes: the sum of the values' sizes.
  int64_t PayloadSize() const;
  std::vector<GenPushValuePtr> values;
};

class GenConstantPool final : public GenAction {
 public:
  explicit GenConstantPool(std::vector<std::string> strings);
  int32_t Size(int32_t version) override;
  void Write(ActionWriter& writer) const override;
  std::vector<std::string> strings;
};

// DefineFunction: name, parameters and the body records after the header.
class GenDefineFunction final : public GenAction {
 public:
  GenDefineFunction(std::string name, std::vector<std::string> parameters, GenList body);
  int32_t Size(int32_t version) override;
  void Write(ActionWriter& writer) const override;
  int32_t HeaderSize() const;
  std::string name;
  std::vector<std::string> parameters;
  GenList body;

 private:
  int32_t bodySize_ = 0;
};

// A clip event handler (code 12: event flags, record size, actions, End) or a button
// condition (code 13: condition, actions, End).
class GenEventHandler final : public GenAction {
 public:
  GenEventHandler(int32_t code, uint32_t flags, GenList actions);
  int32_t Size(int32_t version) override;
  void Write(ActionWriter& writer) const override;
  uint32_t flags;
  GenList actions;
};

// A list of records: code 1 plain, 2 the conditions of a button (each after a 16-bit offset
// to the next), 3 the clip actions of a placed clip (reserved word, all flags, the handlers,
// a closing 0).
class GenRecordList final : public GenAction {
 public:
  GenRecordList(int32_t code, GenList records);
  int32_t Size(int32_t version) override;
  void Write(ActionWriter& writer) const override;
  GenList records;
};

// Sizes every record for the version and writes them in order; the result holds exactly the
// sum of the sizes. Throws ScriptGenerateError when a record does not fit its fields.
std::vector<uint8_t> WriteGenActions(GenList& records, int32_t version);
