// VORNENV_FILE and VORNENV_DIR while a file applies, export --undo with
// revert through json, and the trust list that the hook's prompt command
// obeys.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/apply.h"
#include "cli/clirun.h"
#include "cli/platform.h"
#include "cli/quote.h"
#include "support/testsupport.h"

namespace vornenv::testing {
namespace {

TEST(hook_test, file_and_folder_are_set_while_applying_and_not_left_behind) {
  const scopedtempdir dir;
  const std::string folder = dir.mkdir("Ελένη 用户");
  const std::string file = dir.write("Ελένη 用户/dev.ini",
                                     "[Environment]\nWHERE = $(VORNENV_DIR)|$(VORNENV_FILE)\n");
  const std::string own = dir.write("own.ini", "[Environment]\nVORNENV_DIR = mine\n");
  const struct {
    std::string file, out;
  } cases[] = {
      {file, "{\n  \"WHERE\": " +
                 cli::quotejson(nativepath(folder) + "|" + nativepath(file)) + "\n}\n"},
      {own, "{\n  \"VORNENV_DIR\": \"mine\"\n}\n"},
  };
  for (const auto& c : cases) {
    const ranprogram r = runvornenv({"export", "--format", "json", nativepath(c.file)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
  }
}

TEST(hook_test, revert_in_json_gives_back_what_export_changed) {
  const scopedtempdir dir;
  const std::string bin = dir.mkdir("bin");
  const std::string file =
      dir.write("dev.ini", "[Environment]\nHOOKTEST_OLD = new\nHOOKTEST_NEW = ü\n"
                           "[Executable Paths]\nbin = $(VORNENV_DIR)/bin\n");
  const scopedenv old("HOOKTEST_OLD", std::string("Ελένη"));
  const ranprogram exported = runvornenv({"export", "--undo", "--format", "json", nativepath(file)});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const std::string key = "\"VORNENV_UNDO\": \"";
  const std::size_t at = exported.out.find(key);
  ASSERT_NE(at, std::string::npos) << exported.out;
  const std::string record =
      exported.out.substr(at + key.size(), exported.out.find('"', at + key.size()) - at - key.size());
  ranprogram reverted;
  {
    // The environment as the shell has it after the export.
    const scopedenv undo("VORNENV_UNDO", record);
    const scopedenv added("HOOKTEST_NEW", std::string("ü"));
    const scopedenv changed("HOOKTEST_OLD", std::string("new"));
    reverted = runvornenv({"revert", "--format", "json"});
  }
  EXPECT_EQ(reverted.status, 0) << reverted.err;
  EXPECT_NE(reverted.out.find("\"HOOKTEST_OLD\": \"Ελένη\""), std::string::npos) << reverted.out;
  EXPECT_NE(reverted.out.find("\"HOOKTEST_NEW\": null"), std::string::npos) << reverted.out;
  EXPECT_NE(reverted.out.find("\"VORNENV_UNDO\": null"), std::string::npos) << reverted.out;

  const scopedenv none("VORNENV_UNDO", std::nullopt);
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
  EXPECT_NE(edited.err.find("is not allowed"), std::string::npos) << edited.err;
  EXPECT_EQ(runvornenv({"deny", nativepath(file)}).status, 0);
  std::filesystem::current_path(start);
}

// The hook hashes the file and the library reads it again to apply it: a
// file replaced in between must not count as applied.
TEST(hook_test, a_file_replaced_while_it_applies_is_not_taken) {
  const scopedtempdir dir;
  const std::string allowed = "[Environment]\nHOOKTEST_SWAP = checked\n";
  const struct {
    const char* what;
    std::optional<std::string> writtenbetween;  // std::nullopt: left alone
    bool taken;
  } cases[] = {
      {"left alone", std::nullopt, true},
      {"other content", "[Environment]\nHOOKTEST_SWAP = swapped ü\n", false},
      {"longer", allowed + "HOOKTEST_MORE = 1\n", false},
      {"emptied", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const scopedenv swap("HOOKTEST_SWAP", std::nullopt);
    const std::string file = nativepath(dir.write("swap.ini", allowed));
    const std::optional<std::string> stamp = cli::filestamp(file);
    ASSERT_TRUE(stamp.has_value());
    const auto replacing = [&c, &dir](const std::string& path) {
      if (c.writtenbetween) dir.write("swap.ini", *c.writtenbetween);
      return cli::applydescription(path);
    };
    const std::optional<std::unique_ptr<envbuilder>> builder =
        cli::applyunchanged(file, allowed, stamp, replacing);
    EXPECT_EQ(builder.has_value(), c.taken);
    if (c.taken) {
      EXPECT_EQ(cli::getenvexact("HOOKTEST_SWAP"), "checked");
    }
  }
}

}  // namespace
}  // namespace vornenv::testing
