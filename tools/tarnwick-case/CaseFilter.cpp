#include "CaseFilter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "case/CaseUtf8.h"
#include "case/HtmlFormat.h"
#include "case/RtfFormat.h"
#include "case/Utf8Validation.h"

namespace tarnwick::casefilter {
namespace {

// Lead bytes of a character cut off by the end of a block: at most three.
constexpr std::size_t kCarryBytes = 3;

// The source's bytes as pieces of whole characters (the last piece of the
// input may still end with a cut-off one): each block read is cut after its
// last whole character, and the rest is carried to the front of the next.
// A source that cannot rewind keeps every piece for the second reading.
class Pieces {
 public:
  Pieces(ByteSource& source, std::size_t blockBytes)
      : source_(source), blockBytes_(std::max<std::size_t>(blockBytes, kCarryBytes + 1)) {}

  bool Next(std::string_view& piece) {
    if (replaying_) return NextKept(piece);
    char* block = Block();
    const std::size_t got = Fill(block + carry_, blockBytes_);
    const std::size_t total = carry_ + got;
    if (total == 0) return false;
    const std::size_t cut = got == 0 ? total : utf8::WholeCharactersEnd({block, total});
    carry_ = total - cut;
    std::memcpy(carried_, block + cut, carry_);
    piece = {block, cut};
    if (!rewinds_) kept_.back().size = cut;
    return true;
  }

  // Back to the first piece: false when the source failed to go back.
  bool Restart() {
    carry_ = 0;
    if (rewinds_) return source_.Rewind();
    replaying_ = true;
    next_ = 0;
    return true;
  }

  bool Failed() const { return source_.Failed(); }
  // True when the second reading reads the source again rather than what
  // the first one kept.
  bool Rereads() const { return rewinds_; }

 private:
  // The block to read into, with the carried bytes already at its front.
  char* Block() {
    char* block;
    if (rewinds_) {
      buffer_.resize(kCarryBytes + blockBytes_);
      block = buffer_.data();
    } else {
      kept_.push_back({std::make_unique<char[]>(kCarryBytes + blockBytes_), 0});
      block = kept_.back().bytes.get();
    }
    std::memcpy(block, carried_, carry_);
    return block;
  }

  std::size_t Fill(char* p, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
      const std::size_t part = source_.Read(p + got, n - got);
      if (part == 0) break;
      got += part;
    }
    return got;
  }

  bool NextKept(std::string_view& piece) {
    while (next_ < kept_.size()) {
      const Kept& kept = kept_[next_++];
      if (kept.size == 0) continue;
      piece = {kept.bytes.get(), kept.size};
      return true;
    }
    return false;
  }

  struct Kept {
    std::unique_ptr<char[]> bytes;
    std::size_t size;
  };

  ByteSource& source_;
  const std::size_t blockBytes_;
  const bool rewinds_ = source_.Rewind();  // before the first read: can it?
  std::vector<char> buffer_;
  std::vector<Kept> kept_;
  bool replaying_ = false;
  std::size_t next_ = 0;
  char carried_[kCarryBytes] = {};
  std::size_t carry_ = 0;
};

}  // namespace

std::optional<CaseRule> ParseRule(std::string_view name) {
  for (CaseRule rule : mCase::kCaseRules) {
    if (name == mCase::CaseRuleName(rule)) return rule;
  }
  return std::nullopt;
}

FilterResult Filter(CaseRule rule, ByteSource& source, const Sink& sink, std::size_t blockBytes) {
  Pieces pieces(source, blockBytes);
  std::string_view piece;
  std::uint64_t offset = 0;
  while (pieces.Next(piece)) {
    if (const auto bad = utf8::FindInvalid(piece)) return {FilterResult::Invalid, offset + *bad};
    offset += piece.size();
  }
  if (pieces.Failed()) return {FilterResult::ReadFailed};
  if (!pieces.Restart()) return {FilterResult::ReadFailed};

  // Reading the source again: what was checked must come back.
  const bool check = pieces.Rereads();
  std::vector<char> out(mCase::Utf8Capacity(blockBytes + kCarryBytes));
  bool state = true;
  std::uint64_t again = 0;
  while (pieces.Next(piece)) {
    again += piece.size();
    if (check && (again > offset || utf8::FindInvalid(piece))) return {FilterResult::InputChanged};
    out.resize(std::max(out.size(), mCase::Utf8Capacity(piece.size())));
    const std::size_t n = mCase::ConvertUtf8(rule, piece.data(), piece.size(), out.data(), state);
    if (!sink({out.data(), n})) return {FilterResult::WriteFailed};
  }
  if (pieces.Failed()) return {FilterResult::ReadFailed};
  if (again != offset) return {FilterResult::InputChanged};
  return {};
}

std::optional<Format> ParseFormat(std::string_view option) {
  if (option == "--html") return Format::Html;
  if (option == "--rtf") return Format::Rtf;
  return std::nullopt;
}

FilterResult FilterFormatted(CaseRule rule, Format format, ByteSource& source, const Sink& sink) {
  std::string block;
  std::vector<char> buffer(kDefaultBlockBytes);
  while (const std::size_t got = source.Read(buffer.data(), buffer.size())) block.append(buffer.data(), got);
  if (source.Failed()) return {FilterResult::ReadFailed};
  const auto converted = format == Format::Html ? mCase::ConvertHtmlFormat(rule, block) : mCase::ConvertRtf(rule, block);
  if (!converted) return {FilterResult::Refused};
  if (!sink(*converted)) return {FilterResult::WriteFailed};
  return {};
}

}  // namespace tarnwick::casefilter
