#include "input/EventScript.h"

#include <InterfaceDefs.h>
#include <gtest/gtest.h>

#include <fstream>

#include "player/TestFiles.h"

using Kind = ScriptEvent::Kind;

namespace {

std::vector<ScriptEvent> ParseOrFail(const std::string& text) {
	auto events = EventScript::Parse(text, "events.txt");
	EXPECT_TRUE(events) << events.Error();
	return events ? *events : std::vector<ScriptEvent>{};
}

std::string ErrorOf(const std::string& text) {
	const auto events = EventScript::Parse(text, "events.txt");
	EXPECT_FALSE(events) << text;
	return events ? std::string() : events.Error();
}

} // namespace

TEST(EventScript, ReadsEveryEventWithItsArguments) {
	const auto events = ParseOrFail("# a comment line\n"
	                                "\n"
	                                "1 resize 300 200\n"
	                                "2 move -10 40   # trailing comment\n"
	                                "3 close\n"
	                                "4 mouse 5 6 2\n"
	                                "5 key p command+shift\n"
	                                "6 key Space\n"
	                                "7 menu  Preferences and more \n"
	                                "8 prefs\n"
	                                "9 about\n"
	                                "10 gain 500\n"
	                                "11 activate\n"
	                                "12 expose 0 0 49 399\r\n"
	                                "13 stop\n"
	                                "14 start\n"
	                                "15 key f12 option menu control\n"
	                                "16 key é\n");
	ASSERT_EQ(events.size(), 16u);
	EXPECT_EQ(events[0].kind, Kind::Resize);
	EXPECT_EQ(events[0].numbers, (std::vector<int32_t>{300, 200}));
	EXPECT_EQ(events[0].line, 3);
	EXPECT_EQ(events[1].numbers, (std::vector<int32_t>{-10, 40}));
	EXPECT_EQ(events[2].kind, Kind::Close);
	EXPECT_EQ(events[3].numbers, (std::vector<int32_t>{5, 6, 2}));
	EXPECT_EQ(events[4].text, "p");
	EXPECT_EQ(events[4].modifiers, B_COMMAND_KEY | B_SHIFT_KEY);
	EXPECT_EQ(events[5].text, "space");
	EXPECT_EQ(events[5].modifiers, 0u);
	EXPECT_EQ(events[6].kind, Kind::Menu);
	EXPECT_EQ(events[6].text, "Preferences and more");
	EXPECT_EQ(events[9].numbers, (std::vector<int32_t>{500}));
	EXPECT_EQ(events[11].numbers, (std::vector<int32_t>{0, 0, 49, 399}));
	EXPECT_EQ(events[13].kind, Kind::Start);
	EXPECT_EQ(events[14].text, "f12");
	EXPECT_EQ(events[14].modifiers, B_OPTION_KEY | B_MENU_KEY | B_CONTROL_KEY);
	EXPECT_EQ(events[15].text, "é");
}

TEST(EventScript, SortsByBlockKeepingTheWrittenOrderWithinABlock) {
	const auto events = ParseOrFail("5 stop\n2 gain 50\n5 start\n1 about\n2 gain 60\n");
	ASSERT_EQ(events.size(), 5u);
	const int lines[] = {4, 2, 5, 1, 3};
	for (size_t i = 0; i < 5; i++)
		EXPECT_EQ(events[i].line, lines[i]) << i;
}

TEST(EventScript, LinesOfAnyWhiteSpaceAreBlank) {
	const auto events = ParseOrFail("1 stop\n\f\n\v \t\r\n2 start\n");
	ASSERT_EQ(events.size(), 2u);
	EXPECT_EQ(events[1].line, 4);
}

TEST(EventScript, ErrorsNameTheLine) {
	EXPECT_EQ(ErrorOf("1 stop\n\n# fine so far\n4 start\n5 close\n6 activate\n7 jump\n"),
	          "events.txt:7: unknown event 'jump'");
	EXPECT_EQ(ErrorOf("0 stop\n"), "events.txt:1: block number '0' is not a whole number from 1 on");
	EXPECT_EQ(ErrorOf("x stop\n"), "events.txt:1: block number 'x' is not a whole number from 1 on");
	EXPECT_EQ(ErrorOf("\n3\n"), "events.txt:2: missing event after block 3");
	EXPECT_EQ(ErrorOf("1 resize 300\n"), "events.txt:1: resize takes 2 arguments (width height), got 1");
	EXPECT_EQ(ErrorOf("1 close now\n"), "events.txt:1: close takes 0 arguments, got 1");
	EXPECT_EQ(ErrorOf("1 resize -1 10\n"),
	          "events.txt:1: resize: width '-1' is not a whole number from 0 to 32767");
	EXPECT_EQ(ErrorOf("1 mouse 1 1 8\n"),
	          "events.txt:1: mouse: buttons '8' is not a whole number from 1 to 7");
	EXPECT_EQ(ErrorOf("1 mouse 1 1 0\n"),
	          "events.txt:1: mouse: buttons '0' is not a whole number from 1 to 7");
	EXPECT_EQ(ErrorOf("1 gain 501\n"), "events.txt:1: gain: gain '501' is not a whole number from 1 to 500");
	EXPECT_EQ(ErrorOf("1 gain 5x\n"), "events.txt:1: gain: gain '5x' is not a whole number from 1 to 500");
	EXPECT_EQ(ErrorOf("1 key p hyper\n"),
	          "events.txt:1: unknown modifier 'hyper' (shift, command, control, option, menu)");
	EXPECT_EQ(ErrorOf("1 key ab\n"), "events.txt:1: key 'ab' is neither one character nor a key name");
	EXPECT_EQ(ErrorOf("1 key f13\n"), "events.txt:1: key 'f13' is neither one character nor a key name");
	EXPECT_EQ(ErrorOf("1 key\n"), "events.txt:1: key needs a key: one character or a key name");
	EXPECT_EQ(ErrorOf("1 menu   # no label\n"), "events.txt:1: menu needs an item label");
	EXPECT_EQ(ErrorOf("1 expose 10 0 5 5\n"),
	          "events.txt:1: expose: the rectangle is inverted (left must not exceed right, nor top bottom)");
}

TEST(EventScript, LoadNamesAFileItCannotRead) {
	TempDir dir;
	const auto ErrorOfLoading = [](const std::string& path) {
		const auto events = EventScript::Load(path, {});
		EXPECT_FALSE(events) << path;
		return events ? std::string() : events.Error();
	};
	std::string error = ErrorOfLoading(dir / "absent.txt");
	EXPECT_EQ(error, dir / "absent.txt" + ": cannot read: No such file or directory");

	std::ofstream(dir / "script.txt") << "3 stop\n4 bounce\n";
	error = ErrorOfLoading(dir / "script.txt");
	EXPECT_EQ(error, dir / "script.txt" + ":2: unknown event 'bounce'");

	// A device never ends, and scripts past the bounds are no scripts.
	error = ErrorOfLoading("/dev/zero");
	EXPECT_EQ(error, "/dev/zero: cannot read: is a device, not a file");
	std::ofstream(dir / "huge.txt").close();
	std::filesystem::resize_file(dir / "huge.txt", EventScript::kMaxScriptBytes + 1); // sparse
	error = ErrorOfLoading(dir / "huge.txt");
	EXPECT_EQ(error, dir / "huge.txt" + ": cannot read: larger than 64 MiB, more than any script needs");
	const std::string label(EventScript::kMaxLineBytes - 7, 'x'); // "1 menu " and the label fill a line
	std::ofstream(dir / "long.txt") << "1 menu " << label << "\n2 menu " << label << "x\n";
	error = ErrorOfLoading(dir / "long.txt");
	EXPECT_EQ(error, dir / "long.txt" + ":2: longer than 65536 bytes, more than any event needs");
}
