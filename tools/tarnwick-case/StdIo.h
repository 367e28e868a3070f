// Standard input and output as the filter needs them: raw bytes.
#pragma once

#include <cstdio>

#include "CaseFilter.h"

namespace tarnwick::casefilter {

// Puts stdin and stdout into binary mode where the platform translates line
// ends (Windows); elsewhere there is nothing to do.
void UseBinaryStdio();

// True when the stream reads a file on disk, which can be read again; not
// for a pipe or a console (where ftell's answer means nothing on Windows).
bool IsDiskFile(std::FILE* stream);

// A C stream as a ByteSource. It rewinds when the stream reads a file on
// disk (a redirected file), to where it stood when this object was made.
class FileSource final : public ByteSource {
 public:
  explicit FileSource(std::FILE* in) : in_(in), start_(IsDiskFile(in) ? std::ftell(in) : -1) {}
  std::size_t Read(char* p, std::size_t n) override { return std::fread(p, 1, n, in_); }
  bool Failed() const override { return std::ferror(in_) != 0; }
  bool Rewind() override { return start_ >= 0 && std::fseek(in_, start_, SEEK_SET) == 0; }

 private:
  std::FILE* in_;
  long start_;
};

}  // namespace tarnwick::casefilter
