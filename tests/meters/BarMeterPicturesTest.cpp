// The bar meter through a whole programme, its pictures compared at the
// checkpoints with the pixel rows of BarMeterPictures.txt.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "meters/BarMeterWindowTest.h"
#include "meters/GoldenProgram.h"

namespace {

// Rows first to last of one colour.
struct Run {
	int32 first;
	int32 last;
	rgb_color colour;
};

// Columns first to last that show the same runs, top to bottom.
struct Columns {
	int32 first;
	int32 last;
	std::vector<Run> runs;
};

using Picture = std::vector<Columns>;

// "A" or "A-B".
bool ParseRange(const std::string& text, int32& first, int32& last) {
	const size_t dash = text.find('-', 1);
	try {
		first = std::stoi(text.substr(0, dash));
		last = dash == std::string::npos ? first : std::stoi(text.substr(dash + 1));
	} catch (const std::exception&) {
		return false;
	}
	return first <= last;
}

// "k", "G" or "gN", all opaque.
bool ParseColour(const std::string& text, rgb_color& colour) {
	int32 green = -1;
	if (text == "k")
		green = 0;
	else if (text == "G")
		green = 255;
	else if (text.size() > 1 && text[0] == 'g' &&
	         text.find_first_not_of("0123456789", 1) == std::string::npos)
		green = std::stoi(text.substr(1));
	colour = {0, uint8(green), 0, 255};
	return green >= 0 && green <= 255;
}

// "  cols A-B: R1-R2C ...", each run a row range followed by its colour.
bool ParseColumns(const std::string& line, Columns& columns) {
	std::istringstream words(line);
	std::string word;
	if (!(words >> word) || word != "cols" || !(words >> word) || word.back() != ':') return false;
	if (!ParseRange(word.substr(0, word.size() - 1), columns.first, columns.last)) return false;
	while (words >> word) {
		const size_t colour = word.find_first_of("kGg");
		Run run;
		if (colour == std::string::npos || !ParseRange(word.substr(0, colour), run.first, run.last) ||
		    !ParseColour(word.substr(colour), run.colour))
			return false;
		columns.runs.push_back(run);
	}
	return !columns.runs.empty();
}

// The pictures of the file by window ("WxH") and block; empty when the file
// cannot be read or a line is not understood.
std::map<std::string, std::map<size_t, Picture>> ReadPictures(std::string& error) {
	std::map<std::string, std::map<size_t, Picture>> pictures;
	std::ifstream file(BAR_PICTURES);
	if (!file) error = std::string(BAR_PICTURES) + ": cannot be read";
	Picture* picture = nullptr;
	int lineNumber = 0;
	for (std::string line; error.empty() && std::getline(file, line);) {
		++lineNumber;
		if (line.empty() || line[0] == '#') continue;
		std::istringstream words(line);
		std::string size, block;
		size_t index = 0;
		Columns columns;
		if (line[0] != ' ' && words >> size >> block >> index && block == "block")
			picture = &pictures[size][index];
		else if (picture && ParseColumns(line, columns))
			picture->push_back(std::move(columns));
		else
			error = "line " + std::to_string(lineNumber) + " not understood: " + line;
	}
	if (!error.empty()) pictures.clear();
	return pictures;
}

// Where the image differs from the picture, or what the picture leaves out;
// empty when they agree.
std::string Difference(const Picture& picture, const Image& image) {
	int32 column = 0;
	for (const Columns& columns : picture) {
		if (columns.first != column) return "column " + std::to_string(column) + " not given";
		if (columns.last >= image.width)
			return "the window is " + std::to_string(image.width) + " pixels wide";
		column = columns.last + 1;
		int32 row = 0;
		for (const Run& run : columns.runs) {
			if (run.first != row) return "row " + std::to_string(row) + " not given";
			if (run.last >= image.height)
				return "the window is " + std::to_string(image.height) + " pixels high";
			row = run.last + 1;
			for (int32 x = columns.first; x <= columns.last; ++x)
				for (int32 y = run.first; y <= run.last; ++y)
					if (!(image.At(x, y) == run.colour)) {
						std::ostringstream out;
						out << "at " << x << ", " << y << ": got " << testing::PrintToString(image.At(x, y))
						    << " want " << testing::PrintToString(run.colour);
						return out.str();
					}
		}
		if (row != image.height)
			return "columns up to " + std::to_string(columns.last) + " end at row " + std::to_string(row);
	}
	return column == image.width ? "" : "the picture ends at column " + std::to_string(column);
}

class BarMeterPicturesTest : public BarMeterWindowTest {
protected:
	void Play(int32 width, int32 height) {
		std::string error;
		const auto pictures = ReadPictures(error);
		ASSERT_EQ(error, "");
		const auto found = pictures.find(std::to_string(width) + "x" + std::to_string(height));
		ASSERT_NE(found, pictures.end());
		const std::map<size_t, Picture>& expected = found->second;
		std::set<size_t> given;
		for (const auto& [block, picture] : expected)
			given.insert(block);
		ASSERT_EQ(given, kGoldenCheckpoints);

		Open(float(width), float(height));
		const std::vector<Block> program = GoldenProgram();
		for (size_t i = 0; i < program.size(); ++i) {
			ASSERT_TRUE(Render(program[i]));
			if (const auto picture = expected.find(i); picture != expected.end()) {
				ASSERT_EQ(Difference(picture->second, Pixels()), "") << "after block " << i;
			}
		}
	}
};

} // namespace

TEST_F(BarMeterPicturesTest, WholeProgrammeInAnOddSizedWindow) { Play(161, 303); }

TEST_F(BarMeterPicturesTest, WholeProgrammeInATallWindow) { Play(199, 399); }

TEST_F(BarMeterPicturesTest, WholeProgrammeInALowWindow) { Play(60, 21); }
