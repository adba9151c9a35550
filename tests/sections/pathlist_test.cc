#include <gtest/gtest.h>

#include <type_traits>

#include "support/testsupport.h"
#include "vornenv/entrytofilepath.h"
#include "vornenv/envbuilder.h"
#include "vornenv/platform.h"
#include "vornenv/sections.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {
namespace {

using testing::capture;
using testing::scopedenv;
using testing::scopedtempdir;
using vornfile::filepath;
using vornplatform::getenvvar;
using vornplatform::putenvvar;

const std::string kwarn =
    "****WARNING****: These libraries are going to be overridden as they are available in "
    "windows, system or system32 directory: ";

class pathlist_test : public testing::parsetest {
 protected:
  void SetUp() override {
    for (const char* d : {"x", "y", "z", "w", "sys"}) dirs_[d] = filepath(dir_.mkdir(d)).str();
    vornfile::setsystemdirs({filepath(dirs_["sys"])});
  }
  void TearDown() override { vornfile::resetsystemdirs(); }

  // The directories joined as a path list.
  std::string list(std::initializer_list<const char*> names) {
    std::string out;
    for (const char* n : names) {
      if (!out.empty()) out += pathlistsep;
      out += dirs_[n];
    }
    return out;
  }
  static std::string libname(const std::string& name) {
    return pathlistsep == ';' ? name + ".dll" : "lib" + name + ".so";
  }
  void lib(const std::string& folder, const std::string& name) {
    dir_.write(folder + "/" + libname(name), "");
  }

  std::map<std::string, std::string> dirs_;
  scopedenv path_{"PATH", std::nullopt};
};

TEST_F(pathlist_test, section_directories_go_first_each_once) {
  putenvvar("PATH", list({"x", "y", "z"}));
  parse("[Executable Paths]\nfirst = " + dirs_["z"] + "\nsecond = " + dirs_["w"] +
        "\nagain = " + dirs_["z"] + "/\n");
  EXPECT_FALSE(last_.thrown) << last_.err;
  EXPECT_EQ(getenvvar("PATH").str(), list({"z", "w", "x", "y"}));
}

TEST_F(pathlist_test, repeated_and_empty_elements_of_the_variable_collapse) {
  putenvvar("PATH", list({"x", "y", "x"}) + pathlistsep + pathlistsep + dirs_["y"] + "/");
  parse("[Executable Paths]\n");
  EXPECT_EQ(getenvvar("PATH").str(), list({"x", "y"}));
}

TEST_F(pathlist_test, unset_variable_becomes_the_section_alone) {
  parse("[Executable Paths]\na = " + dirs_["x"] + "\nb = " + dirs_["y"] + "\n");
  EXPECT_EQ(getenvvar("PATH").str(), list({"x", "y"}));
}

TEST_F(pathlist_test, entries_store_the_converted_path) {
  scopedenv top("VX_TOP", dir_.path().string());
  auto b = parse("[Executable Paths]\nbin = $(VX_TOP)//x/\n");
  EXPECT_EQ(b->getsection("Executable Paths").getentry("bin").value(), dirs_["x"]);
  EXPECT_EQ(getenvvar("PATH").str(), dirs_["x"]);
}

TEST_F(pathlist_test, missing_directory_stops_the_parse_and_leaves_the_variable) {
  putenvvar("PATH", list({"x"}));
  const std::string missing = filepath(dir_.file("missing")).str();
  auto b = parse("[Executable Paths]\nok = " + dirs_["y"] + "\nbad = " + missing + "\n");
  EXPECT_EQ(last_.thrown, "bad --> " + missing + " invalid entry found!");
  EXPECT_EQ(getenvvar("PATH").str(), list({"x"}));
  // Stored all the same, converted.
  EXPECT_EQ(b->getsection("Executable Paths").getentry("bad").value(), missing);
}

TEST_F(pathlist_test, converted_path_holding_the_list_separator_is_refused) {
  // An existing directory whose path, put in the variable, would read as two
  // elements: short components are not expanded, so only the whole path
  // shows it.
  const std::string odd = filepath(dir_.mkdir(std::string("x") + pathlistsep + "/bin")).str();
  putenvvar("PATH", list({"y"}));
  parse("[Executable Paths]\nodd = " + odd + "\n");
  EXPECT_EQ(last_.thrown, "odd --> " + odd + " invalid entry found!");
  EXPECT_EQ(getenvvar("PATH").str(), list({"y"}));
}

TEST_F(pathlist_test, the_variable_gets_the_directory_that_was_checked) {
  // The first expansion yields the text "$(VX_Y)", the name of an existing
  // directory; expanding the stored path again would put an unchecked one
  // into the variable.
  const std::string odd = filepath(dir_.mkdir("x$(VX_Y)")).str();
  scopedenv open("VX_Q", "$("), y("VX_Y", "nowhere");
  auto b = parse("[Executable Paths]\nodd = " + dir_.path().string() + "/x$(VX_Q)VX_Y)\n");
  EXPECT_FALSE(last_.thrown) << last_.err;
  EXPECT_EQ(b->getsection("Executable Paths").getentry("odd").value(), odd);
  EXPECT_EQ(getenvvar("PATH").str(), odd);
}

TEST_F(pathlist_test, empty_variable_name_is_refused) {
  EXPECT_ASSERTION(pathlist("", "Executable Paths"),
                   "pathlist::pathlist - provided path variable is empty!");
}

TEST_F(pathlist_test, library_warnings_per_directory_in_order) {
  lib("sys", "alpha");
  lib("sys", "beta");
  lib("sys", "gamma");
  lib("x", "gamma");
  lib("x", "alpha");
  lib("x", "own");
  lib("y", "own");  // no system library: no line
  lib("z", "beta");
  putenvvar("PATH", list({"w"}));
  auto b = parse("[Library Paths]\nx = " + dirs_["x"] + "\ny = " + dirs_["y"] +
                 "\nz = " + dirs_["z"] + "\n");
  EXPECT_FALSE(last_.thrown);
  const std::string warnings =
      kwarn + libname("alpha") + ", " + libname("gamma") + "\n" + kwarn + libname("beta") + "\n";
  EXPECT_EQ(last_.err, warnings);
  EXPECT_EQ(getenvvar("PATH").str(), list({"x", "y", "z", "w"}));
  // Asking for the locations repeats the warnings.
  auto again = capture([&] { getliblocations(b->getsection("Library Paths")); });
  EXPECT_EQ(again.err, warnings);
}

TEST_F(pathlist_test, library_section_without_overrides_is_silent) {
  lib("sys", "alpha");
  lib("x", "own");
  parse("[Library Paths]\nx = " + dirs_["x"] + "\n");
  EXPECT_EQ(last_.err, "");
  EXPECT_EQ(getenvvar("PATH").str(), dirs_["x"]);
  parse("[Library Paths]\n");
  EXPECT_EQ(last_.err, "");
}

TEST_F(pathlist_test, a_host_kind_derived_from_a_section_kind_overrides_valid) {
  static_assert(!std::is_final_v<anonsection> && !std::is_final_v<envblock> &&
                !std::is_final_v<pathlist> && !std::is_final_v<libpathlist>);
  struct quietlibs : libpathlist {
    using libpathlist::libpathlist;
    bool valid() const override { return false; }
  };
  lib("sys", "alpha");
  lib("x", "alpha");
  libpathlist plain("Library Paths");
  quietlibs quiet("Library Paths");
  for (envbuilder::section* s : std::initializer_list<envbuilder::section*>{&plain, &quiet}) {
    ASSERT_TRUE(s->newentry(envbuilder::entry("x", dirs_["x"])));
  }
  EXPECT_EQ(capture([&] { EXPECT_EQ(getliblocations(plain).size(), 1u); }).err,
            kwarn + libname("alpha") + "\n");
  // The override answers: no warning, no locations.
  EXPECT_EQ(capture([&] { EXPECT_TRUE(getliblocations(quiet).empty()); }).err, "");
}

}  // namespace
}  // namespace vornenv
