// The tarnwick-case executable, run as a user runs it: bytes on standard
// input, then its standard output, standard error and exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "CaseFilter.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// The filter's path as the build knows it. A cross build run under Wine sees
// the Linux path, which Wine offers as drive Z:.
std::string FilterPath() {
  std::string path = TARNWICK_CASE_EXE;
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
#endif
  return path;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CaseFilterProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = fs::temp_directory_path() / ("tarnwick-case-test-" + std::to_string(random()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  Outcome Run(const std::string& args, const std::string& input) {
    const fs::path in = dir_ / "in.txt", out = dir_ / "out.txt", err = dir_ / "err.txt";
    std::ofstream(in, std::ios::binary) << input;
    std::string command = Quoted(FilterPath()) + (args.empty() ? "" : " " + args) + " < " +
                          Quoted(in.string()) + " > " + Quoted(out.string()) + " 2> " + Quoted(err.string());
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd /c keeps the inner quotes only inside an outer pair
#endif
    Outcome outcome;
    const int raw = std::system(command.c_str());
#ifdef _WIN32
    outcome.status = raw;
#else
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    outcome.out = ReadFile(out);
    outcome.err = ReadFile(err);
    return outcome;
  }

  fs::path dir_;
};

TEST_F(CaseFilterProgram, EveryRuleChangesLettersAndPassesEverythingElse) {
  // NUL, CR LF, a tab, an emoji (4 bytes), Cyrillic and Latin-1 (2 bytes), CJK (3 bytes).
  const std::string input = std::string("Hello World. how are you?\r\n\0", 28) +
                            "x\t\xF0\x9F\x98\x80 \xD0\xBC\xD0\xB8\xD1\x80 \xC3\xA9t\xC3\xA9 \xE4\xB8\xAD";
  const std::string tail = "\t\xF0\x9F\x98\x80 ";
  struct Expectation {
    const char* rule;
    std::string out;
  } expectations[] = {
      {"upper", std::string("HELLO WORLD. HOW ARE YOU?\r\n\0X", 29) + tail +
                    "\xD0\x9C\xD0\x98\xD0\xA0 \xC3\x89T\xC3\x89 \xE4\xB8\xAD"},
      {"lower", std::string("hello world. how are you?\r\n\0x", 29) + tail +
                    "\xD0\xBC\xD0\xB8\xD1\x80 \xC3\xA9t\xC3\xA9 \xE4\xB8\xAD"},
      {"sentence", std::string("Hello world. How are you?\r\n\0X", 29) + tail +
                       "\xD0\xBC\xD0\xB8\xD1\x80 \xC3\xA9t\xC3\xA9 \xE4\xB8\xAD"},
      {"proper", std::string("Hello World. How Are You?\r\n\0X", 29) + tail +
                     "\xD0\x9C\xD0\xB8\xD1\x80 \xC3\x89t\xC3\xA9 \xE4\xB8\xAD"},
      {"toggle", std::string("hELLO wORLD. HOW ARE YOU?\r\n\0X", 29) + tail +
                     "\xD0\x9C\xD0\x98\xD0\xA0 \xC3\x89T\xC3\x89 \xE4\xB8\xAD"},
  };
  for (const Expectation& e : expectations) {
    const Outcome o = Run(e.rule, input);
    EXPECT_EQ(o.status, 0) << e.rule;
    EXPECT_EQ(o.out, e.out) << e.rule;
    EXPECT_EQ(o.err, "") << e.rule;
  }
}

TEST_F(CaseFilterProgram, EmptyInputGivesEmptyOutput) {
  const Outcome o = Run("sentence", "");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "");
}

TEST_F(CaseFilterProgram, InvalidUtf8IsReportedWithItsOffsetAndNothingWritten) {
  struct Bad {
    std::string bytes;
    const char* offset;
  } cases[] = {
      {"valid start\n\xC0\xAF", "12"},               // overlong
      {"abc\xED\xA0\x80", "3"},                      // encoded surrogate
      {"\xF4\x90\x80\x80", "0"},                     // above U+10FFFF
      {"truncated \xE2\x82", "10"},                  // cut short at the end
      {std::string(100000, 'a') + "\x80", "100000"},  // after a long valid run
  };
  for (const Bad& c : cases) {
    const Outcome o = Run("upper", c.bytes);
    EXPECT_EQ(o.status, 1) << c.offset;
    EXPECT_EQ(o.out, "") << c.offset;
    EXPECT_NE(o.err.find(std::string("byte offset ") + c.offset), std::string::npos) << o.err;
  }
}

TEST_F(CaseFilterProgram, UsageErrorsAndHelp) {
  for (const char* args : {"", "title", "Upper", "upper lower"}) {
    const Outcome o = Run(args, "text");
    EXPECT_EQ(o.status, 2) << args;
    EXPECT_EQ(o.out, "") << args;
    EXPECT_NE(o.err.find("usage: tarnwick-case RULE"), std::string::npos) << args;
  }
  const Outcome help = Run("--help", "");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: tarnwick-case RULE"), std::string::npos);
  EXPECT_EQ(help.err, "");
}

// Megabytes of mixed text through the real process: many chunks, sentence
// state across every cut, and the same bytes as the conversion core gives.
TEST_F(CaseFilterProgram, LargeInputMatchesTheConversionCore) {
  const std::string pieces[] = {"word ", "END. ", "\xD0\xBF\xD1\x80\xD0\xB8 ", "\xF0\x9F\x98\x80",
                                "\r\n", "x? ", "\xC3\xA9t\xC3\xA9 ", "\xE4\xB8\xAD", "\t"};
  std::mt19937 rng(7);
  std::string input;
  while (input.size() < (std::size_t(3) << 20)) input += pieces[rng() % std::size(pieces)];
  std::string expected;
  ASSERT_TRUE(tarnwick::casefilter::ConvertUtf8(tarnwick::casefilter::CaseRule::Sentence, input,
                                                [&](std::string_view bytes) {
                                                  expected.append(bytes);
                                                  return true;
                                                }));
  const Outcome o = Run("sentence", input);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.size(), input.size());
  EXPECT_TRUE(o.out == expected);
}

}  // namespace
