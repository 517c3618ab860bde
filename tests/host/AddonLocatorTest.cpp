#include "host/AddonLocator.h"

#include <cstdlib>
#include <fstream>

#include <elf.h>
#include <link.h>

#include <gtest/gtest.h>

#include "player/TestFiles.h"

namespace {

namespace fs = std::filesystem;

// A file that passes for a library: only its header is looked at, which a
// library of this program's own has.
void Library(const fs::path& path) {
	fs::create_directories(path.parent_path());
	ElfW(Ehdr) header{};
	std::ifstream("/proc/self/exe", std::ios::binary).read(reinterpret_cast<char*>(&header), sizeof header);
	header.e_type = ET_DYN;
	std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(&header), sizeof header);
}

class AddonLocatorTest : public ::testing::Test {
protected:
	TempDir dir_;
	fs::path first_ = dir_ / "first", second_ = dir_ / "second", home_ = dir_ / "home",
	         installed_ = dir_ / "installed";
	fs::path homeAddons_ = home_ / ".local/lib/vu-meters/add-ons";
	// Empty entries are no folder: the current one is never searched unasked.
	AddonLocator locator_ =
	    AddonLocator::For(":" + first_.string() + "::" + second_.string() + ":", home_, installed_);
};

TEST_F(AddonLocatorTest, SearchesTheFoldersInOrderAndTakesTheFirstLibraryOfTheName) {
	EXPECT_EQ(locator_.Folders(), (std::vector<fs::path>{first_, second_, homeAddons_, installed_}));
	Library(second_ / "vis_Corvel_VU-Meter");
	Library(homeAddons_ / "vis_Corvel_VU-Meter");
	Library(installed_ / "vis_Corvel_VU-Meter");
	Library(installed_ / "vis_Kestle_VU-Meter");
	Library(homeAddons_ / "my_meter");
	// Neither a folder nor a text file of the name stands in the way.
	fs::create_directories(first_ / "vis_Corvel_VU-Meter");
	std::ofstream(first_ / "my_meter") << "notes\n";

	EXPECT_EQ(locator_.Find("corvel"), second_ / "vis_Corvel_VU-Meter");
	EXPECT_EQ(locator_.Find("vis_Corvel_VU-Meter"), second_ / "vis_Corvel_VU-Meter");
	EXPECT_EQ(locator_.Find("kestle"), installed_ / "vis_Kestle_VU-Meter");
	EXPECT_EQ(locator_.Find("my_meter"), homeAddons_ / "my_meter");
	EXPECT_EQ(locator_.Find("winamp"), std::nullopt);
	EXPECT_EQ(locator_.Find(""), std::nullopt);
	EXPECT_EQ(locator_.Find(".."), std::nullopt);
	// A path is never looked up, whether it exists or not.
	EXPECT_EQ(locator_.Find("./vis_Kestle_VU-Meter"), fs::path("./vis_Kestle_VU-Meter"));
	EXPECT_EQ(locator_.Find("/no/such/add-on"), fs::path("/no/such/add-on"));
}

TEST_F(AddonLocatorTest, ListsEachNameOnceAndAnUnknownNameListsThem) {
	EXPECT_EQ(locator_.Unknown("winamp"), "unknown add-on 'winamp': no add-ons in " + first_.string() + ", " +
	                                          second_.string() + ", " + homeAddons_.string() + ", " +
	                                          installed_.string());
	Library(second_ / "vis_Kestle_VU-Meter");
	Library(second_ / "b_meter");
	std::ofstream(second_ / "a_readme") << "notes\n";
	Library(installed_ / "vis_Kestle_VU-Meter");
	Library(installed_ / "vis_Corvel_VU-Meter");

	const std::vector<AddonLocator::Addon> all = locator_.All();
	ASSERT_EQ(all.size(), 3u);
	EXPECT_EQ(all[0].name, "b_meter");
	EXPECT_EQ(all[1].name, "kestle");
	EXPECT_EQ(all[1].path, second_ / "vis_Kestle_VU-Meter");
	EXPECT_EQ(all[2].name, "corvel");
	EXPECT_EQ(all[2].path, installed_ / "vis_Corvel_VU-Meter");
	EXPECT_EQ(locator_.Unknown("winamp"),
	          "unknown add-on 'winamp': the add-ons there are b_meter, kestle, corvel");

	// A file in the place of one says what it is, as the listing does; the first found, where it lies.
	std::ofstream(second_ / "vis_Corvel_VU-Meter") << "junk\n";
	fs::create_symlink(dir_ / "nowhere", installed_ / "winamp");
	fs::remove(installed_ / "vis_Corvel_VU-Meter");
	EXPECT_EQ(locator_.Unknown("corvel"), "add-on 'corvel': the folder " + second_.string() +
	                                          " holds vis_Corvel_VU-Meter, which is not an add-on: not a "
	                                          "library; the add-ons there are b_meter, kestle");
	EXPECT_EQ(locator_.Unknown("winamp"), "add-on 'winamp': the folder " + installed_.string() +
	                                          " holds winamp, which is not an add-on: not a library; the "
	                                          "add-ons there are b_meter, kestle");
}

TEST(AddonLocator, FindsTheAddOnsBuiltBesideTheProgramAsOnceInstalled) {
	TempDir home;
	const ScopedVariable noPath("VUMETERS_ADDON_PATH", nullptr);
	const ScopedVariable emptyHome("HOME", (home / "").c_str());
	const AddonLocator locator = AddonLocator::FromEnvironment();

	const fs::path installed = AddonLocator::InstalledFolder();
	EXPECT_EQ(installed.parent_path().filename(), "vu-meters");
	ASSERT_EQ(locator.Folders().back(), installed);
	const auto corvel = locator.Find("corvel");
	ASSERT_TRUE(corvel);
	EXPECT_EQ(*corvel, installed / "vis_Corvel_VU-Meter");
	EXPECT_EQ(locator.Find("vuplay"), std::nullopt) << "the programs' own folder is no add-on folder";
}

} // namespace
