#include "StdIo.h"

namespace tarnwick::casefilter {

#ifndef _WIN32
void UseBinaryStdio() {}
#endif

bool ReadAll(std::FILE* in, std::string& data) {
  constexpr std::size_t kBlock = std::size_t(1) << 20;
  data.clear();
  for (;;) {
    const std::size_t size = data.size();
    data.resize(size + kBlock);
    const std::size_t got = std::fread(data.data() + size, 1, kBlock, in);
    data.resize(size + got);
    if (got < kBlock) return !std::ferror(in);
  }
}

}  // namespace tarnwick::casefilter
