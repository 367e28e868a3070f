// Standard input and output as the filter needs them: raw bytes.
#pragma once

#include <cstdio>

#include "CaseFilter.h"

namespace tarnwick::casefilter {

// Puts stdin and stdout into binary mode where the platform translates line
// ends (Windows); elsewhere there is nothing to do.
void UseBinaryStdio();

// A C stream as a ByteSource. It rewinds when the stream is seekable (a
// redirected file) to where it stood when this object was made.
class FileSource final : public ByteSource {
 public:
  explicit FileSource(std::FILE* in) : in_(in), start_(std::ftell(in)) {}
  std::size_t Read(char* p, std::size_t n) override { return std::fread(p, 1, n, in_); }
  bool Failed() const override { return std::ferror(in_) != 0; }
  bool Rewind() override { return start_ >= 0 && std::fseek(in_, start_, SEEK_SET) == 0; }

 private:
  std::FILE* in_;
  long start_;
};

}  // namespace tarnwick::casefilter
