// The tarnwick-case executable, run as a user runs it: bytes on standard
// input from a file or a pipe, then its standard output, standard error and
// exit status.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#endif


namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

// The filter's path as the build knows it. A cross build run under Wine sees
// the Linux path, which Wine offers as drive Z:.
std::string Native(std::string path) {
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) c = c == '/' ? '\\' : c;
#endif
  return "\"" + path + "\"";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CaseFilterProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tarnwick-case-test-" + std::to_string(std::random_device()()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // Standard input is the file itself, or a pipe from cat (type on Windows).
  Outcome Run(const std::string& args, const std::string& input, bool pipe = false) {
    const fs::path in = dir_ / "in.txt", out = dir_ / "out.txt", err = dir_ / "err.txt";
    std::ofstream(in, std::ios::binary) << input;
    const std::string filter = Native(TARNWICK_CASE_EXE) + (args.empty() ? "" : " " + args);
#ifdef _WIN32
    const std::string feed = "type " + Native(in.string()) + " | " + filter;
#else
    const std::string feed = "cat " + Native(in.string()) + " | " + filter;
#endif
    std::string command = (pipe ? feed : filter + " < " + Native(in.string())) + " > " + Native(out.string()) +
                          " 2> " + Native(err.string());
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd /c keeps the inner quotes only inside an outer pair
#endif
    Outcome o;
    const int raw = std::system(command.c_str());
#ifdef _WIN32
    o.status = raw;
#else
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    o.out = ReadFile(out);
    o.err = ReadFile(err);
    return o;
  }

  fs::path dir_;
};

// A clipboard block with a header line ended by CR LF and a trailing NUL.
const std::string kHtml = std::string("Version:0.9\r\nStartHTML:0000000105\r\nEndHTML:0000000131\r\n"
                                      "StartFragment:0000000105\r\nEndFragment:0000000131\r\n"
                                      "<p>one two</p><p>three</p>\0", 132);
const std::string kHtmlProper = std::string("Version:0.9\r\nStartHTML:0000000105\r\nEndHTML:0000000131\r\n"
                                            "StartFragment:0000000105\r\nEndFragment:0000000131\r\n"
                                            "<p>One Two</p><p>Three</p>\0", 132);

// From a file: CR LF, NUL and Ctrl+Z pass as they are (binary standard
// input and output on Windows).
TEST_F(CaseFilterProgram, ExitStatusOutputAndMessages) {
  const struct {
    const char* args;
    std::string in, out;
    int status;
    const char* err;  // a part of standard error
  } cases[] = {
      {"proper", std::string("hello w\xC3\xB6rld.\r\n\0x\x1A y", 20), std::string("Hello W\xC3\xB6rld.\r\n\0X\x1A Y", 20),
       0, ""},
      {"sentence", "", "", 0, ""},
      {"upper", "valid start\n\xC0\xAF", "", 1, "invalid UTF-8 at byte offset 12"},
      {"upper", std::string(100000, 'a') + "\x80", "", 1, "invalid UTF-8 at byte offset 100000"},
      {"", "text", "", 2, "usage: tarnwick-case RULE"},
      {"title", "text", "", 2, "unknown rule 'title'"},
      {"upper lower", "text", "", 2, "unknown option 'lower'"},
      {"upper --html --rtf", "text", "", 2, "usage: tarnwick-case RULE"},
      {"--help", "", "usage: tarnwick-case RULE", 0, ""},
      // Formatted text: converted as one block, or refused with nothing written.
      {"upper --rtf", "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 caf\\'e9}\r\n", "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 CAF\\'c9}\r\n", 0, ""},
      {"lower --rtf", "plain text", "", 1, "not RTF that can be converted safely"},
      {"proper --html", kHtml, kHtmlProper, 0, ""},
      {"proper --html", "<p>no header</p>", "", 1, "not an \"HTML Format\" block that can be converted"},
      {"upper --pdf", "x", "", 2, "unknown option '--pdf'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const Outcome o = Run(c.args, c.in);
    EXPECT_EQ(o.status, c.status);
    if (std::string(c.args) == "--help") {
      EXPECT_EQ(o.out.rfind(c.out, 0), 0u) << o.out;
    } else {
      EXPECT_EQ(o.out, c.out);
    }
    if (c.err[0] == '\0') {
      EXPECT_EQ(o.err, "");
    } else {
      EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
    }
  }
}

// Megabytes of mixed text through the real process, from a file and
// through a pipe: many blocks, and the state carried across every cut (each
// copy of the piece starts as the text does, after ". ").
TEST_F(CaseFilterProgram, LargeInputFromAFileAndThroughAPipe) {
  const std::string piece = "word \xD0\xBF\xD1\x80\xD0\xB8 \xF0\x9F\x98\x80\r\nx? \xE2\xB1\xA5t\xC3\xA9\tEND. ";
  const std::string converted = "Word \xD0\xBF\xD1\x80\xD0\xB8 \xF0\x9F\x98\x80\r\nx? \xC8\xBAt\xC3\xA9\tend. ";
  std::string input, expected;
  for (int k = 0; k < 80000; ++k) input += piece, expected += converted;
  for (bool pipe : {false, true}) {
    const Outcome o = Run("sentence", input, pipe);
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.out == expected) << "pipe " << pipe;
  }
}

}  // namespace
