#include "script/GenAction.h"

#include <bit>
#include <limits>
#include <utility>

namespace {

constexpr int64_t kMaxU16 = 0xFFFF;

// A record size as the records keep it; a script whose actions pass 2 GB is refused.
int32_t CheckedSize(int64_t size) {
  if (size > std::numeric_limits<int32_t>::max()) {
    throw ScriptGenerateError("the script's actions are too large");
  }
  return static_cast<int32_t>(size);
}

void CheckU16(int64_t value, const char* what) {
  if (value < 0 || value > kMaxU16) {
    throw ScriptGenerateError(std::string(what) + " does not fit in 16 bits");
  }
}

bool IsByteOperand(int32_t code) {
  return code == GenCode::StoreRegister || code == GenCode::GetUrl2 || code == GenCode::GotoFrame2;
}

bool IsBranchOperand(int32_t code) {
  return code == GenCode::Jump || code == GenCode::If || code == GenCode::BreakPlaceholder ||
         code == GenCode::ContinuePlaceholder;
}

int64_t StringsSize(const std::vector<std::string>& strings) {
  int64_t size = 0;
  for (const std::string& s : strings) size += static_cast<int64_t>(s.size()) + 1;
  return size;
}

}  // namespace

// --- push values -----------------------------------------------------------------------------

int32_t PushString::Size() const { return CheckedSize(static_cast<int64_t>(text.size()) + 2); }

void PushString::Write(ActionWriter& writer) const {
  writer.WriteU8(0);
  writer.WriteString(text);
}

void PushRegister::Write(ActionWriter& writer) const {
  writer.WriteU8(4);
  writer.WriteU8(number);
}

void PushBoolean::Write(ActionWriter& writer) const {
  writer.WriteU8(5);
  writer.WriteU8(value ? 1 : 0);
}

void PushDouble::Write(ActionWriter& writer) const {
  uint64_t bits = std::bit_cast<uint64_t>(value);
  writer.WriteU8(6);
  writer.WriteU32(static_cast<uint32_t>(bits >> 32));
  writer.WriteU32(static_cast<uint32_t>(bits));
}

void PushInteger::Write(ActionWriter& writer) const {
  writer.WriteU8(7);
  writer.WriteU32(static_cast<uint32_t>(value));
}

void PushConstant::Write(ActionWriter& writer) const {
  if (index < 256) {
    writer.WriteU8(8);
    writer.WriteU8(index);
  } else {
    writer.WriteU8(9);
    writer.WriteU16(index);
  }
}

// --- records ---------------------------------------------------------------------------------

int64_t GenListLength(GenList& list, int32_t version) {
  int64_t length = 0;
  for (GenActionPtr& record : list) length += record->Size(version);
  return length;
}

void GenSimpleAction::Write(ActionWriter& writer) const {
  writer.WriteU8(static_cast<uint32_t>(code_));
  if (code_ == GenCode::Call) writer.WriteU16(0);
}

GenOperandAction::GenOperandAction(int32_t code, int64_t operand)
    : GenAction(code, IsByteOperand(code) ? 4 : 5), operand(operand) {}

int32_t GenOperandAction::Size(int32_t) {
  if (IsByteOperand(code_)) {
    if (operand < 0 || operand > 0xFF) throw ScriptGenerateError("an action operand does not fit in 8 bits");
    size_ = 4;
  } else {
    if (IsBranchOperand(code_)) {
      if (operand < std::numeric_limits<int16_t>::min() || operand > std::numeric_limits<int16_t>::max()) {
        throw ScriptGenerateError("a branch spans more than 32767 bytes");
      }
    } else {
      CheckU16(operand, code_ == GenCode::With ? "the size of a with block" : "a frame number");
    }
    size_ = 5;
  }
  return size_;
}

void GenOperandAction::Write(ActionWriter& writer) const {
  if (code_ == GenCode::BreakPlaceholder || code_ == GenCode::ContinuePlaceholder) {
    throw ScriptGenerateError("break or continue outside a loop");
  }
  writer.WriteU8(static_cast<uint32_t>(code_));
  writer.WriteU16(static_cast<uint32_t>(size_ - 3));
  if (size_ == 4) {
    writer.WriteU8(static_cast<uint32_t>(operand));
  } else {
    writer.WriteU16(static_cast<uint32_t>(operand));
  }
}

GenUrlAction::GenUrlAction(std::string url, std::string target)
    : GenAction(GenCode::GetUrl, 0), url(std::move(url)), target(std::move(target)) {}

int32_t GenUrlAction::Size(int32_t) {
  int64_t payload = static_cast<int64_t>(url.size()) + static_cast<int64_t>(target.size()) + 2;
  CheckU16(payload, "the length of a GetURL action");
  size_ = CheckedSize(payload + 3);
  return size_;
}

void GenUrlAction::Write(ActionWriter& writer) const {
  writer.WriteU8(GenCode::GetUrl);
  writer.WriteU16(static_cast<uint32_t>(size_ - 3));
  writer.WriteString(url);
  writer.WriteString(target);
}

int64_t GenPush::PayloadSize() const {
  int64_t size = 0;
  for (const GenPushValuePtr& value : values) size += value->Size();
  return size;
}

int32_t GenPush::Size(int32_t) {
  int64_t payload = PayloadSize();
  CheckU16(payload, "the length of a push");
  size_ = CheckedSize(payload + 3);
  return size_;
}

void GenPush::Write(ActionWriter& writer) const {
  writer.WriteU8(GenCode::Push);
  writer.WriteU16(static_cast<uint32_t>(size_ - 3));
  for (const GenPushValuePtr& value : values) value->Write(writer);
}

GenConstantPool::GenConstantPool(std::vector<std::string> strings)
    : GenAction(GenCode::ConstantPool, 0), strings(std::move(strings)) {}

int32_t GenConstantPool::Size(int32_t) {
  CheckU16(static_cast<int64_t>(strings.size()), "the number of pool strings");
  int64_t payload = 2 + StringsSize(strings);
  CheckU16(payload, "the length of the constant pool");
  size_ = CheckedSize(payload + 3);
  return size_;
}

void GenConstantPool::Write(ActionWriter& writer) const {
  writer.WriteU8(GenCode::ConstantPool);
  writer.WriteU16(static_cast<uint32_t>(size_ - 3));
  writer.WriteU16(static_cast<uint32_t>(strings.size()));
  for (const std::string& s : strings) writer.WriteString(s);
}

GenDefineFunction::GenDefineFunction(std::string name, std::vector<std::string> parameters, GenList body)
    : GenAction(GenCode::DefineFunction, 0),
      name(std::move(name)),
      parameters(std::move(parameters)),
      body(std::move(body)) {}

int32_t GenDefineFunction::HeaderSize() const {
  return CheckedSize(static_cast<int64_t>(name.size()) + 8 + StringsSize(parameters));
}

int32_t GenDefineFunction::Size(int32_t version) {
  int32_t header = HeaderSize();
  CheckU16(header - 3, "the length of a function definition");
  CheckU16(static_cast<int64_t>(parameters.size()), "the number of parameters");
  int64_t bodySize = GenListLength(body, version);
  CheckU16(bodySize, "the size of a function body");
  bodySize_ = static_cast<int32_t>(bodySize);
  size_ = CheckedSize(header + bodySize);
  return size_;
}

void GenDefineFunction::Write(ActionWriter& writer) const {
  writer.WriteU8(GenCode::DefineFunction);
  writer.WriteU16(static_cast<uint32_t>(HeaderSize() - 3));
  writer.WriteString(name);
  writer.WriteU16(static_cast<uint32_t>(parameters.size()));
  for (const std::string& p : parameters) writer.WriteString(p);
  writer.WriteU16(static_cast<uint32_t>(bodySize_));
  for (const GenActionPtr& record : body) record->Write(writer);
}

GenEventHandler::GenEventHandler(int32_t code, uint32_t flags, GenList actions)
    : GenAction(code, 0), flags(flags), actions(std::move(actions)) {}

int32_t GenEventHandler::Size(int32_t version) {
  int64_t actionsSize = GenListLength(actions, version);
  if (code_ == GenCode::ClipEventHandler) {
    if (version < 6) CheckU16(flags, "the events of a clip handler");
    size_ = CheckedSize((version < 6 ? 7 : 9) + actionsSize);
  } else {
    CheckU16(flags, "the condition of a button handler");
    size_ = CheckedSize(3 + actionsSize);
  }
  return size_;
}

void GenEventHandler::Write(ActionWriter& writer) const {
  int32_t version = writer.Version();
  if (code_ == GenCode::ClipEventHandler) {
    if (version < 6) {
      writer.WriteU16(flags);
      writer.WriteU32(static_cast<uint32_t>(size_ - 6));
    } else {
      writer.WriteU32(flags);
      writer.WriteU32(static_cast<uint32_t>(size_ - 8));
    }
  } else {
    writer.WriteU16(flags);
  }
  for (const GenActionPtr& record : actions) record->Write(writer);
  writer.WriteU8(0);
}

GenRecordList::GenRecordList(int32_t code, GenList records) : GenAction(code, 0), records(std::move(records)) {}

int32_t GenRecordList::Size(int32_t version) {
  int64_t size = 0;
  if (code_ == GenCode::ButtonConditionList) {
    for (GenActionPtr& record : records) {
      int64_t recordSize = record->Size(version);
      CheckU16(recordSize + 2, "the size of a button condition");
      size += recordSize + 2;
    }
  } else {
    size = GenListLength(records, version);
    if (code_ == GenCode::ClipActionList) size += version < 6 ? 6 : 10;
  }
  size_ = CheckedSize(size);
  return size_;
}

void GenRecordList::Write(ActionWriter& writer) const {
  if (code_ == GenCode::ButtonConditionList) {
    for (size_t i = 0; i < records.size(); ++i) {
      bool last = i + 1 == records.size();
      writer.WriteU16(last ? 0 : static_cast<uint32_t>(records[i]->KeptSize() + 2));
      records[i]->Write(writer);
    }
  } else if (code_ == GenCode::ClipActionList) {
    bool wide = writer.Version() >= 6;
    uint32_t all = 0;
    for (const GenActionPtr& record : records) {
      if (record->Code() == GenCode::ClipEventHandler) all |= static_cast<const GenEventHandler&>(*record).flags;
    }
    writer.WriteU16(0);
    if (wide) {
      writer.WriteU32(all);
    } else {
      writer.WriteU16(all);
    }
    for (const GenActionPtr& record : records) record->Write(writer);
    if (wide) {
      writer.WriteU32(0);
    } else {
      writer.WriteU16(0);
    }
  } else {
    for (const GenActionPtr& record : records) record->Write(writer);
  }
}

std::vector<uint8_t> WriteGenActions(GenList& records, int32_t version) {
  int64_t total = GenListLength(records, version);
  ActionWriter writer(version);
  writer.Reserve(static_cast<size_t>(total));
  for (const GenActionPtr& record : records) record->Write(writer);
  if (static_cast<int64_t>(writer.Position()) != total) {
    throw std::logic_error("generated actions wrote a size other than they reported");
  }
  return writer.TakeBytes();
}
