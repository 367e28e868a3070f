// tarnwick-case RULE: the case rules as a filter from UTF-8 standard input to
// UTF-8 standard output. The whole input is validated before a byte is
// written, so invalid input leaves standard output empty.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "CaseFilter.h"
#include "StdIo.h"

namespace {

using namespace tarnwick::casefilter;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // invalid input, read or write error
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: tarnwick-case RULE\n"
    "Reads UTF-8 text from standard input and writes it to standard output with\n"
    "the letter case changed by RULE:\n"
    "  upper     UPPER CASE\n"
    "  lower     lower case\n"
    "  sentence  Sentence case: the first letter, and the first after each . ! ? :,\n"
    "            upper case; all others lower case\n"
    "  proper    Every Word Capitalised (words separated by spaces, tabs, line breaks)\n"
    "  toggle    tOGGLE cASE\n"
    "Everything else passes byte for byte. Invalid UTF-8 is reported on standard\n"
    "error with its byte offset (counted from 0), exit status 1, and nothing is\n"
    "written. A missing or unknown RULE gives exit status 2.\n";

int Usage(std::FILE* to, int status) {
  std::fputs(kUsage, to);
  return status;
}

int Fail(const char* message) {
  std::fprintf(stderr, "tarnwick-case: %s\n", message);
  return kExitFailure;
}

int Run(CaseRule rule) {
  UseBinaryStdio();
  FileSource input(stdin);
  const FilterResult result = Filter(rule, input, [](std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
  });
  switch (result.status) {
    case FilterResult::Done: break;
    case FilterResult::Invalid:
      std::fprintf(stderr, "tarnwick-case: invalid UTF-8 at byte offset %llu\n",
                   static_cast<unsigned long long>(result.invalidOffset));
      return kExitFailure;
    case FilterResult::ReadFailed: return Fail("cannot read standard input");
    case FilterResult::InputChanged: return Fail("standard input changed while it was read");
    case FilterResult::WriteFailed: return Fail("cannot write standard output");
  }
  if (std::fflush(stdout) != 0) return Fail("cannot write standard output");
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return Usage(stdout, kExitOk);
  if (argc != 2) return Usage(stderr, kExitUsage);
  const auto rule = ParseRule(argv[1]);
  if (!rule) {
    std::fprintf(stderr, "tarnwick-case: unknown rule '%s'\n", argv[1]);
    return Usage(stderr, kExitUsage);
  }
  return Run(*rule);
}
