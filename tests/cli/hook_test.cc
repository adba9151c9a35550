// VORNENV_FILE and VORNENV_DIR while a file applies, export --undo with
// revert through json, and the trust list that the hook's prompt command
// obeys.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "cli/apply.h"
#include "cli/clirun.h"
#include "cli/platform.h"
#include "cli/quote.h"
#include "support/testsupport.h"

namespace vornenv::testing {
namespace {

// The test process holds its texts in the ANSI code page on Windows, while
// the host reads and writes UTF-8: non-ASCII folders are made through
// std::filesystem paths and variables set as exact texts, and what the host
// prints is compared with UTF-8.

// Sets (std::nullopt: removes) a variable as an exact text and puts the old
// one back at the end of the scope.
class scopedexactenv {
 public:
  scopedexactenv(std::string name, const std::optional<std::string>& value)
      : name_(std::move(name)), old_(cli::getenvexact(name_)) {
    EXPECT_TRUE(cli::setenvexact(name_, value)) << name_;
  }
  ~scopedexactenv() { cli::setenvexact(name_, old_); }
  scopedexactenv(const scopedexactenv&) = delete;
  scopedexactenv& operator=(const scopedexactenv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Makes dir the working directory, which a child started meanwhile
// inherits, until the end of the scope.
class scopedworkdir {
 public:
  explicit scopedworkdir(const std::filesystem::path& dir) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~scopedworkdir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
  }
  scopedworkdir(const scopedworkdir&) = delete;
  scopedworkdir& operator=(const scopedworkdir&) = delete;

 private:
  std::filesystem::path old_;
};

// The path as the host prints it: UTF-8, a Unix path of a Wine build on Z:.
std::string utf8path(const std::filesystem::path& path) { return nativepath(path.u8string()); }

// The text of key's string in the JSON the host printed, its escapes \\ and
// \" undone (the only ones the values here need), or std::nullopt.
std::optional<std::string> jsonstring(const std::string& json, const std::string& key) {
  const std::string start = cli::quotejson(key) + ": \"";
  std::size_t at = json.find(start);
  if (at == std::string::npos) return std::nullopt;
  std::string text;
  for (at += start.size(); at < json.size() && json[at] != '"'; ++at) {
    if (json[at] == '\\') {
      if (++at == json.size() || (json[at] != '\\' && json[at] != '"')) return std::nullopt;
    }
    text += json[at];
  }
  if (at == json.size()) return std::nullopt;
  return text;
}

TEST(hook_test, file_and_folder_are_set_while_applying_and_not_left_behind) {
  const scopedtempdir dir;
  const std::filesystem::path folder = dir.path() / std::filesystem::u8path(u8"Ελένη 用户");
  std::filesystem::create_directories(folder);
  std::filesystem::rename(
      dir.write("dev.ini", "[Environment]\nWHERE = $(VORNENV_DIR)|$(VORNENV_FILE)\n"),
      folder / "dev.ini");
  const std::string plain =
      dir.write("plain/dev.ini", "[Environment]\nWHERE = $(VORNENV_DIR)|$(VORNENV_FILE)\n");
  const std::string own = dir.write("own.ini", "[Environment]\nVORNENV_DIR = mine\n");
  const auto where = [](const std::filesystem::path& file) {
    return "{\n  \"WHERE\": " +
           cli::quotejson(utf8path(file.parent_path()) + "|" + utf8path(file)) + "\n}\n";
  };
  const struct {
    const char* what;
    std::optional<std::filesystem::path> workdir;  // std::nullopt: the test's own
    std::string file, out;
  } cases[] = {
      // The file named from its own folder, which only UTF-8 can spell.
      {"relative", folder, "dev.ini", where(folder / "dev.ini")},
      {"absolute", std::nullopt, nativepath(plain),
       where(std::filesystem::path(plain).make_preferred())},
      {"set by the file", std::nullopt, nativepath(own), "{\n  \"VORNENV_DIR\": \"mine\"\n}\n"},
  };
  const scopedenv file("VORNENV_FILE", std::nullopt);
  const scopedenv folderset("VORNENV_DIR", std::nullopt);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<scopedworkdir> in;
    if (c.workdir) in.emplace(*c.workdir);
    const ranprogram r = runvornenv({"export", "--format", "json", c.file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
  }
}

TEST(hook_test, revert_in_json_gives_back_what_export_changed) {
  const scopedtempdir dir;
  dir.mkdir("bin");
  // Non-ASCII text reaches the host through the file, read as UTF-8, and
  // through the variables, set as exact texts.
  const std::string file = dir.write("dev.ini",
                                     "[Environment]\nHOOKTEST_OLD = new\nHOOKTEST_NEW = \xC3\xBC\n"
                                     "[Executable Paths]\nbin = $(VORNENV_DIR)/bin\n");
  const std::string oldvalue = u8"Ελένη";
  const scopedexactenv old("HOOKTEST_OLD", oldvalue);
  const scopedexactenv none("HOOKTEST_NEW", std::nullopt);
  const std::optional<std::string> path = cli::getenvexact("PATH");
  ASSERT_TRUE(path.has_value());
  const ranprogram exported =
      runvornenv({"export", "--undo", "--format", "json", nativepath(file)});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const std::optional<std::string> record = jsonstring(exported.out, "VORNENV_UNDO");
  const std::optional<std::string> exportedpath = jsonstring(exported.out, "PATH");
  ASSERT_TRUE(record.has_value()) << exported.out;
  ASSERT_TRUE(exportedpath.has_value()) << exported.out;
  ASSERT_NE(*exportedpath, *path);
  EXPECT_NE(exported.out.find("\"HOOKTEST_NEW\": \"\xC3\xBC\""), std::string::npos) << exported.out;
  ranprogram reverted;
  {
    // The environment as the shell has it after the export.
    const scopedexactenv undo("VORNENV_UNDO", record);
    const scopedexactenv added("HOOKTEST_NEW", std::string("\xC3\xBC"));
    const scopedexactenv changed("HOOKTEST_OLD", std::string("new"));
    const scopedexactenv exportpath("PATH", exportedpath);
    reverted = runvornenv({"revert", "--format", "json"});
  }
  EXPECT_EQ(reverted.status, 0) << reverted.err;
  EXPECT_NE(reverted.out.find("\"HOOKTEST_OLD\": " + cli::quotejson(oldvalue)), std::string::npos)
      << reverted.out;
  EXPECT_NE(reverted.out.find("\"HOOKTEST_NEW\": null"), std::string::npos) << reverted.out;
  EXPECT_NE(reverted.out.find("\"VORNENV_UNDO\": null"), std::string::npos) << reverted.out;
  EXPECT_EQ(jsonstring(reverted.out, "PATH"), path) << reverted.out;

  const scopedenv norecord("VORNENV_UNDO", std::nullopt);
  EXPECT_EQ(runvornenv({"revert"}).status, 1);
}

TEST(hook_test, prompt_applies_only_allowed_files_once_per_change) {
  const scopedtempdir dir;
  const scopedenv data("XDG_DATA_HOME", nativepath(dir.mkdir("data")));
  const scopedenv local("LOCALAPPDATA", nativepath(dir.file("data")));
  const scopedenv hook("VORNENV_HOOK", std::nullopt);
  const std::string file = dir.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_X = 1\n");
  const std::string sub = dir.mkdir("proj/sub");
  const std::filesystem::path start = std::filesystem::current_path();
  std::filesystem::current_path(sub);
  const ranprogram denied = runvornenv({"prompt", "json"});
  EXPECT_EQ(denied.out.find("HOOKTEST_X"), std::string::npos) << denied.out;
  EXPECT_NE(denied.err.find("is not allowed"), std::string::npos) << denied.err;
  EXPECT_EQ(runvornenv({"allow"}).status, 0);
  const ranprogram applied = runvornenv({"prompt", "json"});
  EXPECT_NE(applied.out.find("\"HOOKTEST_X\": \"1\""), std::string::npos) << applied.out;
  EXPECT_EQ(applied.err, "");
  // An edit needs allowing again.
  dir.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_X = 22\n");
  const ranprogram edited = runvornenv({"prompt", "json"});
  EXPECT_EQ(edited.out.find("HOOKTEST_X\": \"22"), std::string::npos) << edited.out;
  EXPECT_NE(edited.err.find("changed since it was allowed"), std::string::npos) << edited.err;
  EXPECT_EQ(runvornenv({"deny", nativepath(file)}).status, 0);
  std::filesystem::current_path(start);
}

}  // namespace
}  // namespace vornenv::testing
