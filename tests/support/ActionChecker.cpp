#include "tests/support/ActionChecker.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>

#include "tests/support/ActionDecoder.h"
#include "tests/support/MovieInflater.h"

namespace actioncheck {
namespace {

std::string Hex(size_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%zX", v);
  return buf;
}

// Bounded reads inside one record's payload.
using Payload = actiondecode::Cursor;

struct Block {
  size_t start;
  size_t end;  // offset just past the block
};

}  // namespace

std::string CheckResult::Report() const {
  std::string out;
  for (const std::string& p : problems) {
    out += p;
    out += '\n';
  }
  return out;
}

CheckResult CheckActionList(const std::vector<uint8_t>& bytes, const CheckOptions& options) {
  return CheckActionList(bytes.data(), bytes.size(), options);
}

CheckResult CheckActionList(const uint8_t* data, size_t size, const CheckOptions& options) {
  CheckResult r;
  size_t pos = 0;
  bool overrun = false;
  while (pos < size) {
    uint8_t code = data[pos];
    if (code == 0) {
      r.sawEnd = true;
      break;
    }
    actiondecode::Record record;
    const actiondecode::RecordStatus status = actiondecode::ReadRecord(data, size, pos, record);
    if (status == actiondecode::RecordStatus::kNoRoomForLength) {
      r.problems.push_back("action " + Hex(code) + " at " + Hex(pos) + ": length field runs past the list");
      overrun = true;
      break;
    }
    DecodedAction a;
    a.offset = pos;
    a.code = code;
    a.payloadLength = static_cast<uint16_t>(record.length);
    a.size = record.size;
    if (status == actiondecode::RecordStatus::kPayloadPastEnd) {
      r.problems.push_back("action " + Hex(code) + " at " + Hex(pos) + ": payload of " +
                           std::to_string(a.payloadLength) + " bytes runs past the list");
      overrun = true;
      break;
    }
    r.actions.push_back(a);
    pos += a.size;
  }
  r.endOffset = overrun ? size : pos;
  if (r.sawEnd) {
    r.trailingBytes = size - pos - 1;
    if (r.trailingBytes != 0 && !options.allowTrailingBytes)
      r.problems.push_back(std::to_string(r.trailingBytes) + " bytes follow the End byte");
  } else if (options.requireEnd && !overrun) {
    r.problems.push_back("the list has no End byte");
  }
  if (overrun) return r;

  std::set<size_t> boundaries;
  for (const DecodedAction& a : r.actions) boundaries.insert(a.offset);
  boundaries.insert(r.endOffset);

  std::vector<Block> functions;  // open function bodies, innermost last
  auto enclosing = [&]() -> Block { return functions.empty() ? Block{0, r.endOffset} : functions.back(); };
  // A block end (or branch target) must be an action boundary inside the enclosing block.
  auto checkLanding = [&](const DecodedAction& a, const char* what, long long target) {
    Block b = enclosing();
    if (target < static_cast<long long>(b.start) || target > static_cast<long long>(b.end)) {
      r.problems.push_back("action " + Hex(a.code) + " at " + Hex(a.offset) + ": " + what + " lands at " +
                           std::to_string(target) + ", outside its block [" + std::to_string(b.start) + ", " +
                           std::to_string(b.end) + "]");
      return false;
    }
    if (!boundaries.count(static_cast<size_t>(target))) {
      r.problems.push_back("action " + Hex(a.code) + " at " + Hex(a.offset) + ": " + what + " lands at " +
                           std::to_string(target) + ", inside an action");
      return false;
    }
    return true;
  };
  auto malformed = [&](const DecodedAction& a) {
    r.problems.push_back("action " + Hex(a.code) + " at " + Hex(a.offset) + ": payload does not match its layout");
  };

  for (const DecodedAction& a : r.actions) {
    while (!functions.empty() && a.offset >= functions.back().end) functions.pop_back();
    const size_t after = a.offset + a.size;
    Payload pl{data + a.offset + 3, a.payloadLength};
    switch (a.code) {
      case 0x99:    // Jump
      case 0x9D: {  // If
        if (a.payloadLength != 2) {
          malformed(a);
          break;
        }
        int16_t off = static_cast<int16_t>(pl.U16());
        checkLanding(a, a.code == 0x99 ? "Jump" : "If", static_cast<long long>(after) + off);
        break;
      }
      case 0x9B: {  // DefineFunction
        pl.String();
        uint16_t n = pl.U16();
        for (uint16_t i = 0; i < n && !pl.bad; ++i) pl.String();
        uint16_t codeSize = pl.U16();
        if (pl.bad || pl.pos != pl.n) {
          malformed(a);
          break;
        }
        if (checkLanding(a, "function body end", static_cast<long long>(after) + codeSize))
          functions.push_back(Block{after, after + codeSize});
        break;
      }
      case 0x8E: {  // DefineFunction2
        pl.String();
        uint16_t n = pl.U16();
        pl.U8();   // register count
        pl.U16();  // flags
        for (uint16_t i = 0; i < n && !pl.bad; ++i) {
          pl.U8();
          pl.String();
        }
        uint16_t codeSize = pl.U16();
        if (pl.bad || pl.pos != pl.n) {
          malformed(a);
          break;
        }
        if (checkLanding(a, "function body end", static_cast<long long>(after) + codeSize))
          functions.push_back(Block{after, after + codeSize});
        break;
      }
      case 0x94: {  // With
        uint16_t blockSize = pl.U16();
        if (pl.bad) {
          malformed(a);
          break;
        }
        checkLanding(a, "With block end", static_cast<long long>(after) + blockSize);
        break;
      }
      case 0x8F: {  // Try
        uint8_t flags = pl.U8();
        uint16_t trySize = pl.U16();
        uint16_t catchSize = pl.U16();
        uint16_t finallySize = pl.U16();
        if (flags & 0x04)
          pl.U8();
        else
          pl.String();
        if (pl.bad) {
          malformed(a);
          break;
        }
        long long t = static_cast<long long>(after) + trySize;
        if (!checkLanding(a, "try block end", t)) break;
        if (!checkLanding(a, "catch block end", t + catchSize)) break;
        checkLanding(a, "finally block end", t + catchSize + finallySize);
        break;
      }
      default: break;
    }
  }
  return r;
}

namespace {

uint16_t Le16(const std::vector<uint8_t>& d, size_t at) { return static_cast<uint16_t>(d[at] | (d[at + 1] << 8)); }

uint32_t Le32(const std::vector<uint8_t>& d, size_t at) {
  return static_cast<uint32_t>(d[at]) | (static_cast<uint32_t>(d[at + 1]) << 8) |
         (static_cast<uint32_t>(d[at + 2]) << 16) | (static_cast<uint32_t>(d[at + 3]) << 24);
}

void CollectTags(const std::vector<uint8_t>& d, size_t pos, size_t end, const std::string& prefix, int depth,
                 std::vector<MovieActionList>& lists) {
  const int version = d[3];
  while (pos + 2 <= end) {
    const size_t tagStart = pos;
    uint16_t h = Le16(d, pos);
    pos += 2;
    unsigned code = h >> 6;
    size_t len = h & 0x3F;
    if (len == 0x3F) {
      if (pos + 4 > end) return;
      len = Le32(d, pos);
      pos += 4;
    }
    size_t bodyEnd = (len > end - pos) ? end : pos + len;
    const std::string where = prefix + "tag " + std::to_string(code) + " at " + Hex(tagStart);
    if (code == 12) {
      lists.push_back(
          {where, version,
           std::vector<uint8_t>(d.begin() + static_cast<long>(pos), d.begin() + static_cast<long>(bodyEnd))});
    } else if (code == 59 && bodyEnd - pos >= 2) {
      lists.push_back(
          {where, version,
           std::vector<uint8_t>(d.begin() + static_cast<long>(pos + 2), d.begin() + static_cast<long>(bodyEnd))});
    } else if (code == 39 && depth == 0 && bodyEnd - pos >= 4) {
      CollectTags(d, pos + 4, bodyEnd, where + " / ", depth + 1, lists);
    } else if (code == 0) {
      return;
    }
    pos = bodyEnd;
  }
}

}  // namespace

bool CollectMovieActionLists(const std::string& path, std::vector<MovieActionList>& lists, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() < 8) {
    error = "too short";
    return false;
  }
  std::vector<uint8_t> d;
  if (file[0] == 'F' && file[1] == 'W' && file[2] == 'S') {
    d = file;
  } else if (file[0] == 'C' && file[1] == 'W' && file[2] == 'S') {
    // A stream cut short or longer than declared gives what it holds.
    movieinflate::Inflated inflated = movieinflate::InflateMovie(file);
    if (inflated.status == movieinflate::InflateStatus::kTooLarge) {
      error = "declared length too large";
      return false;
    }
    if (inflated.status == movieinflate::InflateStatus::kDamaged) {
      error = "inflate failed";
      return false;
    }
    d = std::move(inflated.movie);
  } else {
    error = "not an FWS or CWS movie";
    return false;
  }
  if (d.size() < 9) {
    error = "no frame rectangle";
    return false;
  }
  size_t nbits = d[8] >> 3;
  size_t pos = 8 + (5 + 4 * nbits + 7) / 8 + 4;
  if (pos > d.size()) {
    error = "truncated header";
    return false;
  }
  CollectTags(d, pos, d.size(), "", 0, lists);
  return true;
}

}  // namespace actioncheck
