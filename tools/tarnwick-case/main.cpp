// tarnwick-case RULE [--html | --rtf]: the case rules as a filter from
// standard input to standard output: UTF-8 text, or one block of the
// clipboard's "HTML Format" or "Rich Text Format". The whole input is
// checked before a byte is written, so input that cannot be converted
// leaves standard output empty.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "CaseFilter.h"
#include "StdIo.h"

namespace {

using namespace tarnwick::casefilter;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // input that cannot be converted, read or write error
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: tarnwick-case RULE [--html | --rtf]\n"
    "Reads standard input and writes it to standard output with the letter case\n"
    "changed by RULE:\n"
    "  upper     UPPER CASE\n"
    "  lower     lower case\n"
    "  sentence  Sentence case: the first letter, and the first after each . ! ? :,\n"
    "            upper case; all others lower case\n"
    "  proper    Every Word Capitalised (words separated by spaces, tabs, line breaks)\n"
    "  toggle    tOGGLE cASE\n"
    "Without an option the input is UTF-8 text: everything but letters passes byte\n"
    "for byte, and invalid UTF-8 is reported on standard error with its byte offset\n"
    "(counted from 0).\n"
    "  --html    the input is one clipboard \"HTML Format\" block (a header of\n"
    "            Version, StartHTML, EndHTML, StartFragment and EndFragment, then the\n"
    "            UTF-8 document): the text content changes, the markup stays, and the\n"
    "            header's offsets are recomputed\n"
    "  --rtf     the input is one \"Rich Text Format\" document: the document text\n"
    "            changes; control words and other destinations stay\n"
    "Input that cannot be converted is reported on standard error, exit status 1,\n"
    "and nothing is written. A missing or unknown RULE or option gives exit status 2.\n";

int Usage(std::FILE* to, int status) {
  std::fputs(kUsage, to);
  return status;
}

int Fail(const char* message) {
  std::fprintf(stderr, "tarnwick-case: %s\n", message);
  return kExitFailure;
}

bool WriteOut(std::string_view bytes) { return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size(); }

int Run(CaseRule rule, std::optional<Format> format) {
  UseBinaryStdio();
  FileSource input(stdin);
  const FilterResult result = format ? FilterFormatted(rule, *format, input, WriteOut) : Filter(rule, input, WriteOut);
  switch (result.status) {
    case FilterResult::Done: break;
    case FilterResult::Invalid:
      std::fprintf(stderr, "tarnwick-case: invalid UTF-8 at byte offset %llu\n",
                   static_cast<unsigned long long>(result.invalidOffset));
      return kExitFailure;
    case FilterResult::Refused:
      return Fail(*format == Format::Html
                      ? "standard input is not an \"HTML Format\" block that can be converted: its header lacks "
                        "a key or has one twice, an offset is not a number, out of order or outside the block, "
                        "or it is not UTF-8"
                      : "standard input is not RTF that can be converted safely: it does not start with {\\rtf, "
                        "its groups do not balance, \\bin or \\' data is cut short, or its text is in a code "
                        "page without a table here (Chinese, Japanese and Korean double-byte pages among them)");
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
  if (argc != 2 && argc != 3) return Usage(stderr, kExitUsage);
  const auto rule = ParseRule(argv[1]);
  if (!rule) {
    std::fprintf(stderr, "tarnwick-case: unknown rule '%s'\n", argv[1]);
    return Usage(stderr, kExitUsage);
  }
  std::optional<Format> format;
  if (argc == 3 && !(format = ParseFormat(argv[2]))) {
    std::fprintf(stderr, "tarnwick-case: unknown option '%s'\n", argv[2]);
    return Usage(stderr, kExitUsage);
  }
  return Run(*rule, format);
}
