#include "host/DrawingTrace.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

TEST(DrawingTraceTest, WritesEachCallAsOneLineWithNumbersInShortestForm) {
	TempDir dir;
	const std::string path = dir / "trace.txt";
	{
		DrawingTrace trace;
		std::FILE* file = std::fopen(path.c_str(), "w");
		ASSERT_NE(file, nullptr);
		trace.Start(file, path);
		trace.RenderStarting(1);
		trace.WindowResizing(199, 99.5f);
		trace.UpdateStarting(BRect(0, 0, 50, 400));
		trace.HighColorSet({0, 255, 0, 255});
		trace.ViewColorSet({255, 255, 255, 255});
		trace.RectFilled(BRect(0.1f, -2, 24, 385));
		trace.LineStroked(BPoint(1, 385), BPoint(24, 385.25f));
		trace.Synced();
		trace.RenderDone(1, true);
		trace.RenderDone(2, false);
	}
	std::ifstream file(path);
	const std::string text{std::istreambuf_iterator<char>(file), {}};
	EXPECT_EQ(text, "render 1\n"
	                "resized 199 99.5\n"
	                "update 0 0 50 400\n"
	                "high 0 255 0 255\n"
	                "view 255 255 255 255\n"
	                "fill 0.1 -2 24 385\n"
	                "line 1 385 24 385.25\n"
	                "sync\n"
	                "done 1 true\n"
	                "done 2 false\n");
}

} // namespace
