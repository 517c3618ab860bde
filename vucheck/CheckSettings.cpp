// Past 300 lines as one unit: its four settings checks share the load-render-unload cycle and the file
// checks.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>

#include <Screen.h>
#include <Window.h>
#include <kit/Display.h>

#include "Checks.h"
#include "FullDisk.h"
#include "GainSlider.h"
#include "PluginCalls.h"
#include "SettingsFolder.h"
#include "TestBlocks.h"
#include "WindowProbe.h"
#include "host/AddonLibrary.h"
#include "host/FindNewWindow.h"

namespace {

constexpr size_t kRecordSize = 20;
constexpr int32 kLowestGain = 1;
constexpr int32 kHighestGain = 1000;
constexpr int kRandomFiles = 100;
constexpr size_t kLongestFile = 40;
// The unprivileged user that a read-only folder stops, when the check runs as root.
constexpr uid_t kNobody = 65534;
constexpr const char* kPrefsSuffix = " Prefs";

// Loads the add-on, makes its object and, when `run`, starts it, renders
// a few blocks and stops it; then unloads. False when something failed.
bool Cycle(CheckContext& context, const std::string& label, bool run) {
	context.Step(label);
	AddonLibrary library(context.AddonPath());
	PluginCalls plugin(library.Path(), library.NewPlugin());
	if (!context.Expect(plugin.Object() != nullptr, label + ": " + library.Error())) return false;
	if (run) {
		if (!context.Expect(plugin.Init(), label + ": Init returned false")) return false;
		for (int i = 0; i < 10; ++i) {
			const Block block = TestBlocks::Tone(i);
			plugin.Render(block.data());
		}
		plugin.Cleanup();
	}
	return context.Expect(library.Close(), label + ": still loaded after dlclose");
}

// The folder holds the settings file alone, 20 bytes with a gain in range.
void ExpectSaneFile(CheckContext& context, const SettingsFolder& folder, const std::string& label) {
	const std::vector<std::string> entries = folder.Entries();
	context.Expect(entries.size() == 1, label + ": " + std::to_string(entries.size()) +
	                                        " entries in the settings folder, a temporary file left behind?");
	const auto bytes = folder.Read();
	if (!context.Expect(bytes.has_value(), label + ": no settings file after the unload")) return;
	if (!context.Expect(bytes->size() == kRecordSize, label + ": settings file of " +
	                                                      std::to_string(bytes->size()) +
	                                                      " bytes after the unload"))
		return;
	const int32 gain = SettingsFolder::Gain(*bytes);
	context.Expect(gain >= kLowestGain && gain <= kHighestGain,
	               label + ": gain " + std::to_string(gain) + " saved");
}

// The saved frame would open a window the user can see and reach: finite,
// not inverted, and at least partly on the screen.
void ExpectUsableFrame(CheckContext& context, const SettingsFolder& folder, const std::string& label) {
	const auto bytes = folder.Read();
	if (!bytes || bytes->size() != kRecordSize) return;
	const BRect frame = SettingsFolder::Frame(*bytes);
	const bool finite = std::isfinite(frame.left) && std::isfinite(frame.top) && std::isfinite(frame.right) &&
	                    std::isfinite(frame.bottom);
	context.Expect(finite && frame.Intersects(BScreen(B_MAIN_SCREEN_ID).Frame()),
	               label + ": saved back as a frame that is not finite, inverted or off the screen");
}

BRect FrameOf(BWindow* window) {
	window->Lock();
	const BRect frame = window->Frame();
	window->Unlock();
	return frame;
}

// Moves and resizes the meter window and sets the gain with the slider;
// after an unload and a reload, the window opens there and the slider
// shows that gain.
void CheckValuesSurvive(CheckContext& context, SettingsFolder& folder) {
	BRect moved;
	int32 gain = 0;
	{
		context.Step("change the frame and the gain");
		AddonLibrary library(context.AddonPath());
		PluginCalls plugin(library.Path(), library.NewPlugin());
		if (!context.Expect(plugin.Object() != nullptr, library.Error())) return;
		const std::vector<BWindow*> before = kit::Windows();
		if (!context.Expect(plugin.Init(), "Init returned false")) return;
		BWindow* meter = FindNewWindow(before);
		if (!context.Expect(meter != nullptr, "Init opened no window")) return;
		kit::UserMove(meter, BPoint(217, 133));
		kit::UserResize(meter, 71, 301);
		moved = FrameOf(meter);
		plugin.Prefs(false);
		BWindow* prefs = WindowProbe::FindEndingIn(kPrefsSuffix);
		if (!context.Expect(prefs != nullptr, "Prefs(false) opened no preferences window")) return;
		const auto set = GainSlider::ClickAt(prefs, 0.75f);
		if (!context.Expect(set.has_value() && *set != 100,
		                    "a click on the gain slider did not change the gain"))
			return;
		gain = *set;
		const std::string title = prefs->Title();
		kit::CloseBox(prefs);
		WindowProbe::WaitUntilGone(title.c_str());
		plugin.Cleanup();
		context.Expect(library.Close(), "still loaded after dlclose");
	}
	const auto bytes = folder.Read();
	if (!context.Expect(bytes && bytes->size() == kRecordSize, "no 20-byte settings file after the change"))
		return;
	context.Expect(SettingsFolder::Gain(*bytes) == gain, "gain " + std::to_string(gain) + " set, " +
	                                                         std::to_string(SettingsFolder::Gain(*bytes)) +
	                                                         " saved");
	context.Expect(SettingsFolder::Frame(*bytes) == moved, "the moved window's frame was not saved");

	context.Step("reload after the change");
	AddonLibrary library(context.AddonPath());
	PluginCalls plugin(library.Path(), library.NewPlugin());
	if (!context.Expect(plugin.Object() != nullptr, library.Error())) return;
	const std::vector<BWindow*> before = kit::Windows();
	if (!context.Expect(plugin.Init(), "Init after the reload returned false")) return;
	BWindow* meter = FindNewWindow(before);
	if (!context.Expect(meter != nullptr, "Init after the reload opened no window")) return;
	context.Expect(FrameOf(meter) == moved, "the meter window reopened elsewhere after the reload");
	plugin.Prefs(false);
	BWindow* prefs = WindowProbe::FindEndingIn(kPrefsSuffix);
	if (context.Expect(prefs != nullptr, "Prefs(false) after the reload opened no preferences window")) {
		const auto shown = GainSlider::Value(prefs);
		context.Expect(shown == gain, "the slider shows " + std::to_string(shown.value_or(-1)) +
		                                  " after the reload, " + std::to_string(gain) + " was set");
	}
	plugin.Cleanup();
	context.Expect(library.Close(), "still loaded after dlclose");
}

void CheckUnchangedFileKept(CheckContext& context, const SettingsFolder& folder) {
	const auto before = folder.Read();
	if (!Cycle(context, "unload without a change", false)) return;
	context.Expect(folder.Read() == before,
	               "the settings file changed over a load and unload without a change");
	if (!Cycle(context, "Init and Cleanup without a change", true)) return;
	context.Expect(folder.Read() == before,
	               "the settings file changed over Init and Cleanup without a change");
}

void CheckCorruptFiles(CheckContext& context, const SettingsFolder& folder) {
	std::mt19937 random(context.Seed());
	std::uniform_int_distribution<int> anyByte(0, 255);
	auto randomBytes = [&](size_t size) {
		std::vector<uint8_t> bytes(size);
		for (uint8_t& byte : bytes)
			byte = uint8_t(anyByte(random));
		return bytes;
	};
	for (size_t size = 0; size <= kLongestFile; ++size) {
		const std::string label = "random file of " + std::to_string(size) + " bytes";
		folder.Write(randomBytes(size));
		if (Cycle(context, label, false)) ExpectSaneFile(context, folder, label);
	}
	for (int i = 0; i < kRandomFiles; ++i) {
		const std::string label = "random 20-byte file " + std::to_string(i + 1);
		folder.Write(randomBytes(kRecordSize));
		if (Cycle(context, label, false)) ExpectSaneFile(context, folder, label);
	}

	const BRect usual(50, 50, 100, 450);
	for (const int32 gain :
	     {0, -1, 1001, std::numeric_limits<int32>::min(), std::numeric_limits<int32>::max()}) {
		const std::string label = "stored gain " + std::to_string(gain);
		folder.Write(SettingsFolder::Record(usual, gain));
		if (Cycle(context, label, false)) ExpectSaneFile(context, folder, label);
	}
	for (const int32 gain : {kLowestGain, kHighestGain}) {
		const std::string label = "stored gain " + std::to_string(gain);
		folder.Write(SettingsFolder::Record(usual, gain));
		if (!Cycle(context, label, false)) continue;
		const auto bytes = folder.Read();
		context.Expect(bytes && bytes->size() == kRecordSize && SettingsFolder::Gain(*bytes) == gain,
		               label + ": not kept");
	}

	const float nan = std::numeric_limits<float>::quiet_NaN();
	const float infinity = std::numeric_limits<float>::infinity();
	const float huge = std::numeric_limits<float>::max();
	const struct {
		const char* name;
		BRect frame;
	} frames[] = {
	    {"NaN frame", BRect(nan, nan, nan, nan)},
	    {"NaN right edge", BRect(50, 50, nan, 450)},
	    {"infinite frame", BRect(-infinity, -infinity, infinity, infinity)},
	    {"enormous frame", BRect(-huge, -huge, huge, huge)},
	    {"far-away frame", BRect(1e9f, 1e9f, 1e9f + 100, 1e9f + 400)},
	    {"inverted frame", BRect(400, 400, 10, 10)},
	    {"empty frame", BRect(0, 0, 0, 0)},
	};
	for (const auto& frame : frames) {
		folder.Write(SettingsFolder::Record(frame.frame, 100));
		if (!Cycle(context, frame.name, true)) continue;
		ExpectSaneFile(context, folder, frame.name);
		ExpectUsableFrame(context, folder, frame.name);
	}
}

// The file stays as it was when the add-on cannot write a new one.
void ExpectKept(CheckContext& context, const SettingsFolder& folder, const std::vector<uint8_t>& kept,
                const std::string& label) {
	context.Expect(folder.Read() == kept, label + ": the previous settings file was not kept");
	context.Expect(folder.Entries().size() == 1, label + ": a temporary file was left behind");
}

// The add-on's save fails on a full disk; had it not tried to save, the
// kept file would prove nothing.
void CheckFullDisk(CheckContext& context, const SettingsFolder& folder,
                   const std::vector<uint8_t>& previous) {
	bool ran = false;
	bool refused = false;
	{
		const FullDisk full;
		if (!full.IsFull()) {
			context.Warn("cannot limit the file size; a full disk not checked");
			return;
		}
		ran = Cycle(context, "a full disk", true);
		refused = full.WriteRefused();
	}
	if (!ran) return;
	ExpectKept(context, folder, previous, "a full disk");
	if (!refused) context.Warn("a full disk: the add-on wrote nothing, so a failed save was not seen");
}

void CheckUnwritableFolders(CheckContext& context, const SettingsFolder& folder) {
	// A gain out of range, which the add-on corrects in memory: the file it
	// would write differs from this one.
	const std::vector<uint8_t> previous = SettingsFolder::Record(BRect(60, 70, 160, 370), 0);

	folder.Remove();
	std::filesystem::create_directory(folder.FilePath());
	if (Cycle(context, "a folder where the file should be", true))
		context.Expect(std::filesystem::is_directory(folder.FilePath()) && folder.Entries().size() == 1,
		               "a folder where the file should be: replaced, or a temporary file left behind");
	folder.Remove();

	// A folder that takes no new file, holding a file the user can write:
	// the file is written where it is. One the user cannot write is kept.
	folder.Write(previous);
	chmod(folder.Folder().c_str(), 0555);
	// Root writes to a read-only folder anyway; the add-on is run as nobody,
	// who is given the file.
	const bool root = geteuid() == 0;
	if (root && (chown(folder.FilePath().c_str(), kNobody, kNobody) != 0 || seteuid(kNobody) != 0))
		context.Warn("cannot act as an unprivileged user; read-only folder not checked");
	if (euidaccess(folder.Folder().c_str(), W_OK) != 0) {
		const std::string writable = "a read-only settings folder holding a writable file";
		if (Cycle(context, writable, false)) ExpectSaneFile(context, folder, writable);
		folder.Write(previous);
		chmod(folder.FilePath().c_str(), 0444);
		const std::string unwritable = "a read-only settings folder and file";
		if (Cycle(context, unwritable, false)) ExpectKept(context, folder, previous, unwritable);
	}
	if (root && seteuid(0) != 0) context.Fail("cannot return to root after the read-only folder");
	chmod(folder.Folder().c_str(), 0700);
	chmod(folder.FilePath().c_str(), 0600);
	folder.Write(previous);

	CheckFullDisk(context, folder, previous);
}

// Settings kept elsewhere (dotfiles in a repository) and linked into place
// are written where the link points, and the link stays; a file's mode is
// kept.
void CheckLinkAndMode(CheckContext& context, const SettingsFolder& folder) {
	// A gain out of range, which the add-on corrects: a written file differs.
	const std::vector<uint8_t> previous = SettingsFolder::Record(BRect(60, 70, 160, 370), 0);
	constexpr const char* kLinkedName = "linked.preferences";
	SettingsFolder linked(folder.Folder());
	linked.SetFileName(kLinkedName);
	folder.Remove();
	linked.Write(previous);
	std::error_code error;
	std::filesystem::create_symlink(kLinkedName, folder.FilePath(), error);
	const std::string label = "a settings file linked into place";
	if (context.Expect(!error, label + ": cannot make the link") && Cycle(context, label, false)) {
		context.Expect(std::filesystem::is_symlink(folder.FilePath()),
		               label + ": the link was replaced by a file");
		const auto bytes = linked.Read();
		context.Expect(bytes && bytes->size() == kRecordSize && *bytes != previous,
		               label + ": the file it points to was not written");
		context.Expect(folder.Entries().size() == 2, label + ": a temporary file was left behind");
	}
	linked.Remove();
	folder.Remove();

	folder.Write(previous);
	chmod(folder.FilePath().c_str(), 0644);
	if (Cycle(context, "a settings file of mode 0644", false)) {
		struct stat status {};
		stat(folder.FilePath().c_str(), &status);
		char mode[8];
		std::snprintf(mode, sizeof mode, "%o", unsigned(status.st_mode & 07777));
		context.Expect((status.st_mode & 07777) == 0644,
		               std::string("a settings file of mode 0644: mode 0") + mode + " after the unload");
	}
	chmod(folder.FilePath().c_str(), 0600);
}

} // namespace

void CheckSettings(CheckContext& context) {
	SettingsFolder folder(context.SettingsDirectory());
	if (!Cycle(context, "first load", false)) return;
	const std::vector<std::string> entries = folder.Entries();
	if (!context.Expect(entries.size() == 1,
	                    std::to_string(entries.size()) +
	                        " files in an empty settings folder after a load and unload"))
		return;
	folder.SetFileName(entries.front());
	ExpectSaneFile(context, folder, "first unload");

	CheckValuesSurvive(context, folder);
	CheckUnchangedFileKept(context, folder);
	CheckCorruptFiles(context, folder);
	CheckLinkAndMode(context, folder);
	CheckUnwritableFolders(context, folder);
}
