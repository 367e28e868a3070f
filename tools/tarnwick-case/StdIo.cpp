#include "StdIo.h"

namespace tarnwick::casefilter {

#ifndef _WIN32
void UseBinaryStdio() {}
#endif

namespace {

// The size of a seekable stream (a redirected file), so that the buffer
// grows once instead of doubling its way up; 0 for pipes and terminals.
std::size_t SizeHint(std::FILE* in) {
  const long start = std::ftell(in);
  if (start < 0 || std::fseek(in, 0, SEEK_END) != 0) return 0;
  const long end = std::ftell(in);
  if (std::fseek(in, start, SEEK_SET) != 0) return 0;  // cannot happen on a seekable stream
  return end > start ? static_cast<std::size_t>(end - start) : 0;
}

}  // namespace

bool ReadAll(std::FILE* in, std::string& data) {
  constexpr std::size_t kBlock = std::size_t(1) << 20;
  data.clear();
  data.reserve(SizeHint(in) + kBlock);
  for (;;) {
    const std::size_t size = data.size();
    data.resize(size + kBlock);
    const std::size_t got = std::fread(data.data() + size, 1, kBlock, in);
    data.resize(size + got);
    if (got < kBlock) return !std::ferror(in);
  }
}

}  // namespace tarnwick::casefilter
