#include "vornenv/iniparser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace vornenv {
namespace {

using testing::capture;
using testing::outcome;
using testing::scopedtempdir;

// Records every callback as one line; can be told to refuse one of them.
class recorder : public iniparser {
 public:
  using iniparser::iniparser;

  std::string trace;
  std::string thrown;  // what() of the run's failure
  std::string refusebegin, refuseentry;
  bool refuseend = false;

 private:
  bool beginsection(const char* name) override {
    trace += std::string("begin ") + name + "\n";
    return refusebegin != name;
  }
  bool newentry(const char* name, const char* value) override {
    trace += std::string("entry ") + name + " = " + value + "\n";
    return refuseentry != name;
  }
  bool endsection() override {
    trace += "end\n";
    return !refuseend;
  }
};

// What one run did: its trace, what it wrote to std::cerr, and its failure
// with kind and place ("" when it succeeded).
struct runresult {
  std::string trace, err, failure;
  bool operator==(const runresult& o) const {
    return trace == o.trace && err == o.err && failure == o.failure;
  }
};

std::ostream& operator<<(std::ostream& out, const runresult& r) {
  return out << r.failure << "\n" << r.err << r.trace;
}

class iniparser_test : public ::testing::Test {
 protected:
  // Parses bytes written to a file; returns the trace, and the assertion's
  // message in failure (empty when the run succeeded).  The same bytes read
  // from the opened file and given as text must give the same callbacks and
  // the same failure, at the same place, under the same name.
  std::string parse(const std::string& bytes) {
    const std::string path = dir_.write("test.ini", bytes);
    const std::string name = vornfile::filepath(path).str();
    recorder r{vornfile::filepath(path)};
    const runresult bypath = run(r, [&r] { r(); });
    failure = r.thrown;
    lasterr = bypath.err;
    if (!failure.empty()) {
      // what() stops at a NUL; the line on std::cerr does not.  Captured
      // stderr is read in text mode, which on Windows stops at a Ctrl-Z.
      if (lasterr.find('\0') == std::string::npos && failure.find('\x1a') == std::string::npos) {
        EXPECT_EQ(lasterr, "****ASSERTION****: " + failure + "\n");
      }
    } else {
      EXPECT_EQ(lasterr, "");
    }
    recorder fromfile, fromtext;
    EXPECT_EQ(run(fromfile,
                  [&] {
                    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(
                        std::fopen(path.c_str(), "rb"), std::fclose);
                    fromfile.parsefile(f.get(), name);
                  }),
              bypath);
    EXPECT_EQ(run(fromtext, [&] { fromtext.parsetext(bytes, name); }), bypath);
    return r.trace;
  }

  // Runs call on a recorder set up by configure.
  template <class Call>
  runresult run(recorder& r, Call call) {
    configure(r);
    runresult result;
    const outcome out = capture([&] {
      try {
        call();
      } catch (const error& e) {
        result.failure = std::to_string(static_cast<int>(e.what_kind())) + " " + e.file() + ":" +
                         std::to_string(e.line()) + " [" + e.section() + "] " + e.entry() + ": " +
                         e.message();
        throw;
      }
    });
    r.thrown = out.thrown.value_or("");
    result.trace = r.trace;
    result.err = out.err;
    return result;
  }

  std::function<void(recorder&)> configure = [](recorder&) {};
  std::string failure, lasterr;
  scopedtempdir dir_;
};

TEST_F(iniparser_test, worked_example) {
  EXPECT_EQ(parse("; settings of the tools\n"
                  "[ Tools ]\n"
                  "LEVEL = 3\n"
                  "\n"
                  "NOTE = two words\n"
                  "[Other]\n"),
            "begin Tools\nentry LEVEL = 3\nentry NOTE = two words\nend\n"
            "begin Other\nend\n");
  EXPECT_EQ(failure, "");
}

TEST_F(iniparser_test, files_without_significant_lines_make_no_call) {
  EXPECT_EQ(parse(""), "");
  EXPECT_EQ(parse("\n  \t\r\n\v\f\n; comment\n   ;indented comment\n"), "");
  EXPECT_EQ(failure, "");
}

TEST_F(iniparser_test, comments_and_blanks_never_end_a_section) {
  EXPECT_EQ(parse("[s]\n\n  ; c\na=1\n\t\n;[t]\nb=2\n"),
            "begin s\nentry a = 1\nentry b = 2\nend\n");
}

TEST_F(iniparser_test, empty_sections_and_end_of_file) {
  EXPECT_EQ(parse("[a]\n[b]"), "begin a\nend\nbegin b\nend\n");
}

TEST_F(iniparser_test, trimming_keeps_inner_whitespace_and_quotes) {
  EXPECT_EQ(parse("[A B]\n  NAME = some value \t\nq=\"x;y\" 'z'\n"),
            "begin A B\nentry NAME = some value\nentry q = \"x;y\" 'z'\n"
            "end\n");
  EXPECT_EQ(parse("[[x]]\n"), "begin [x]\nend\n");
}

TEST_F(iniparser_test, crlf_reads_like_lf_and_last_line_needs_no_feed) {
  const std::string lf = parse("[s]\na = 1\nb = 2");
  EXPECT_EQ(parse("[s]\r\na = 1\r\nb = 2\r\n"), lf);
  EXPECT_EQ(lf, "begin s\nentry a = 1\nentry b = 2\nend\n");
}

TEST_F(iniparser_test, only_the_six_ascii_blanks_are_whitespace) {
  // 0xA0 (no-break space in Latin-1) is text.
  EXPECT_EQ(parse("[s]\n\xA0k=v\xA0\n"), "begin s\nentry \xA0k = v\xA0\nend\n");
}

TEST_F(iniparser_test, first_significant_line_must_be_a_header) {
  EXPECT_EQ(parse("; c\n  a = 1\n[s]\n"), "");
  EXPECT_EQ(failure, "a = 1 invalid entry found in ini file!");
}

TEST_F(iniparser_test, byte_order_mark_is_not_skipped) {
  EXPECT_EQ(parse("\xEF\xBB\xBF[s]\n"), "");
  EXPECT_EQ(failure, "\xEF\xBB\xBF[s] invalid entry found in ini file!");
}

TEST_F(iniparser_test, non_entry_line_ends_the_section_then_fails) {
  EXPECT_EQ(parse("[s]\na=1\n# note\n"), "begin s\nentry a = 1\nend\n");
  EXPECT_EQ(failure, "# note invalid entry found in ini file!");
  EXPECT_EQ(parse("[s]\na=b=c\n"), "begin s\nend\n");
  EXPECT_EQ(failure, "a=b=c invalid entry found in ini file!");
}

TEST_F(iniparser_test, header_with_empty_name) {
  EXPECT_EQ(parse("[]\n"), "");
  EXPECT_EQ(failure, "invalid section provided with no name!");
  EXPECT_EQ(parse("[s]\n[ \t ]\n"), "begin s\nend\n");
  EXPECT_EQ(failure, "invalid section provided with no name!");
}

TEST_F(iniparser_test, lines_that_are_no_header) {
  EXPECT_EQ(parse("[\n"), "");
  EXPECT_EQ(failure, "[ invalid entry found in ini file!");
  EXPECT_EQ(parse("[s] ; note\n"), "");
  EXPECT_EQ(failure, "[s] ; note invalid entry found in ini file!");
}

TEST_F(iniparser_test, bracketed_line_with_one_equals_sign) {
  // Expected as a header it is one; inside a section it is an entry.
  EXPECT_EQ(parse("[a=b]\n[c=d]\n[e]\n"), "begin a=b\nentry [c = d]\nend\nbegin e\nend\n");
}

TEST_F(iniparser_test, duplicate_sections) {
  EXPECT_EQ(parse("[s]\na=1\n[S]\n[s]\nb=2\n"), "begin s\nentry a = 1\nend\nbegin S\nend\n");
  EXPECT_EQ(failure, "s duplicate sections defined!");
}

TEST_F(iniparser_test, duplicate_entries) {
  EXPECT_EQ(parse("[s]\na=1\nA=2\na=3\n"), "begin s\nentry a = 1\nentry A = 2\n");
  EXPECT_EQ(failure, "a duplicate entry in section!");
  // The same name in two sections is fine.
  EXPECT_EQ(parse("[s]\na=1\n[t]\na=2\n"),
            "begin s\nentry a = 1\nend\nbegin t\nentry a = 2\nend\n");
  EXPECT_EQ(failure, "");
}

TEST_F(iniparser_test, empty_name_or_value) {
  EXPECT_EQ(parse("[s]\nNAME =\n"), "begin s\n");
  EXPECT_EQ(failure, "NAME -->  either the name or value is null in entry!");
  EXPECT_EQ(parse("[s]\n = value\n"), "begin s\n");
  EXPECT_EQ(failure, " --> value either the name or value is null in entry!");
}

TEST_F(iniparser_test, refused_callbacks) {
  configure = [](recorder& r) { r.refusebegin = "t"; };
  EXPECT_EQ(parse("[s]\n[t]\na=1\n"), "begin s\nend\nbegin t\n");
  EXPECT_EQ(failure, "t no begining of section found where expected!");

  configure = [](recorder& r) { r.refuseentry = "a"; };
  EXPECT_EQ(parse("[s]\na = 1\nb=2\n"), "begin s\nentry a = 1\n");
  EXPECT_EQ(failure, "a --> 1 invalid entry found!");

  configure = [](recorder& r) { r.refuseend = true; };
  EXPECT_EQ(parse("[s]\n[t]\n"), "begin s\nend\n");
  EXPECT_EQ(failure, "section definition did not conform!");
}

TEST_F(iniparser_test, line_holding_nul_is_rejected_before_its_callback) {
  EXPECT_EQ(parse(std::string("[s]\na=x\0y\n", 10)), "begin s\nend\n");
  EXPECT_EQ(lasterr,
            std::string("****ASSERTION****: a=x\0y invalid entry found in ini file!\n", 58));
  EXPECT_EQ(parse(std::string("[s\0t]\n", 6)), "");
  EXPECT_EQ(lasterr,
            std::string("****ASSERTION****: [s\0t] invalid entry found in ini file!\n", 58));
}

TEST_F(iniparser_test, line_holding_nul_is_found_past_the_first_block) {
  // Blocks are searched for NUL bytes one by one: one in a later block only
  // must still stop the run at its line.
  std::string bytes = "[s]\n";
  for (int i = 0; bytes.size() < (std::size_t{3} << 20); ++i)
    bytes += "k" + std::to_string(i) + "=v\n";
  bytes += std::string("nul=x\0y\n", 8) + "after=1\n";
  const std::string trace = parse(bytes);
  EXPECT_EQ(lasterr,
            std::string("****ASSERTION****: nul=x\0y invalid entry found in ini file!\n", 60));
  EXPECT_EQ(trace.substr(trace.size() - 4), "end\n");
  EXPECT_EQ(trace.find("after"), std::string::npos);
}

TEST_F(iniparser_test, ctrl_z_ends_the_file_only_at_its_end) {
  struct {
    std::string bytes, trace, failure;
  } cases[] = {
      {"[s]\na=1\n\x1a", "begin s\nentry a = 1\nend\n", ""},
      {"[s]\na=1\x1a\x1a\r\n \x1a\t\n", "begin s\nentry a = 1\nend\n", ""},
      {"\x1a", "", ""},
      // Anything after a Ctrl-Z but blanks fails at its line.
      {"[s]\na=1\n\x1a[t]\n", "begin s\nentry a = 1\nend\n",
       "\x1a[t] invalid entry found in ini file!"},
      {"[s]\na=x\x1ay\n\x1a", "begin s\nend\n", "a=x\x1ay invalid entry found in ini file!"},
      {"[s]\n; old end\x1a\nb=2\n", "begin s\nend\n",
       "; old end\x1a invalid entry found in ini file!"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parse(c.bytes), c.trace) << ::testing::PrintToString(c.bytes);
    EXPECT_EQ(failure, c.failure) << ::testing::PrintToString(c.bytes);
  }
  // The end mark and the blanks after it may fill blocks of their own.
  std::string bytes = "[s]\n";
  for (int i = 0; bytes.size() < (std::size_t{3} << 20); ++i)
    bytes += "k" + std::to_string(i) + "=v\n";
  const std::string trace =
      parse(bytes + "last=1\n\x1a\n" + std::string(std::size_t{3} << 20, '\n'));
  EXPECT_EQ(failure, "");
  EXPECT_EQ(trace.substr(trace.size() - 20), "\nentry last = 1\nend\n");
}

TEST_F(iniparser_test, callback_exceptions_pass_through) {
  class thrower : public iniparser {
   public:
    using iniparser::iniparser;

   private:
    bool beginsection(const char*) override { throw std::logic_error("mine"); }
    bool newentry(const char*, const char*) override { return true; }
    bool endsection() override { return true; }
  };
  thrower t(dir_.write("t.ini", "[s]\n"));
  EXPECT_THROW(t(), std::logic_error);
}

TEST_F(iniparser_test, each_run_reads_the_file_afresh) {
  const std::string path = dir_.write("twice.ini", "[s]\na=1\n");
  recorder r(path);
  r();
  dir_.write("twice.ini", "[s]\na=2\n");
  r();
  EXPECT_EQ(r.trace, "begin s\nentry a = 1\nend\nbegin s\nentry a = 2\nend\n");
}

TEST_F(iniparser_test, large_file_and_long_line) {
  std::string bytes = "[s]\nlong=" + std::string(300000, 'v') + "\n";
  std::string expected = "begin s\nentry long = " + std::string(300000, 'v') + "\n";
  for (int i = 0; i < 20000; ++i) {
    bytes += "k" + std::to_string(i) + " = " + std::to_string(i) + "\n";
    expected += "entry k" + std::to_string(i) + " = " + std::to_string(i) + "\n";
  }
  EXPECT_EQ(parse(bytes), expected + "end\n");
}

TEST(iniparser_path_test, invalid_path_is_refused_at_construction) {
  EXPECT_ASSERTION(recorder r(vornfile::filepath("")), " Provided ini file path is invalid!");
  EXPECT_ASSERTION(recorder r(vornfile::filepath("a|b.ini")),
                   "a|b.ini Provided ini file path is invalid!");
}

TEST(iniparser_path_test, unreadable_file_fails_at_parse_before_any_callback) {
  scopedtempdir dir;
  const vornfile::filepath missing(dir.file("missing.ini"));
  recorder r(missing);  // constructing opens nothing
  EXPECT_ASSERTION(r(), missing.str() + " Provided ini file does not exist or is not readable!");
  EXPECT_EQ(r.trace, "");
}

TEST(iniparser_path_test, directory_is_not_read_as_an_empty_file) {
  scopedtempdir dir;
  const vornfile::filepath folder(dir.mkdir("folder"));
  recorder r(folder);
  EXPECT_ASSERTION(r(), folder.str() + " Provided ini file does not exist or is not readable!");
  EXPECT_EQ(r.trace, "");
}

TEST(iniparser_path_test, a_host_opened_file_is_read_from_where_it_stands) {
  scopedtempdir dir;
  const std::string path = dir.write("h.ini", "[s]\na=1\n");
  recorder r;
  EXPECT_ASSERTION(r.parsefile(nullptr, "named"),
                   "named Provided ini file does not exist or is not readable!");
  // Without a path of its own, the reader's own parse has no file to open.
  EXPECT_ASSERTION(r(), " Provided ini file does not exist or is not readable!");
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fseek(f.get(), 4, SEEK_SET), 0);
  EXPECT_ASSERTION(r.parsefile(f.get(), "named"), "a=1 invalid entry found in ini file!");
  EXPECT_EQ(r.trace, "");
}

TEST(iniparser_path_test, copy_reads_the_same_file) {
  scopedtempdir dir;
  recorder a(dir.write("c.ini", "[s]\n"));
  recorder b(a);
  b();
  EXPECT_EQ(b.trace, "begin s\nend\n");
}

}  // namespace
}  // namespace vornenv
