#include <AppDefs.h>
#include <Message.h>

#include <cstring>

#include <gtest/gtest.h>

TEST(Message, FourCharacterCodesPackTheFirstCharacterHigh) {
	EXPECT_EQ(uint32('ShoW'), 0x53686F57u);
	EXPECT_EQ(uint32(B_QUIT_REQUESTED), 0x5F515251u);
	EXPECT_EQ(uint32(B_SIMPLE_DATA), 0x44415441u);
}

TEST(Message, TypedFieldsRoundTrip) {
	BMessage message('test');
	int dummy = 0;
	message.AddBool("bool", true);
	message.AddInt8("int8", -5);
	message.AddInt16("int16", -300);
	message.AddInt32("int32", 70000);
	message.AddInt64("int64", int64(1) << 40);
	message.AddFloat("float", 1.5f);
	message.AddDouble("double", 2.25);
	message.AddString("string", "hello");
	message.AddPointer("pointer", &dummy);
	message.AddRect("rect", BRect(1, 2, 3, 4));
	message.AddPoint("point", BPoint(5, 6));
	const char raw[] = {1, 2, 3};
	message.AddData("raw", B_RAW_TYPE, raw, sizeof raw);

	bool b = false;
	int8 i8 = 0;
	int16 i16 = 0;
	int32 i32 = 0;
	int64 i64 = 0;
	float f = 0;
	double d = 0;
	const char* s = nullptr;
	void* p = nullptr;
	BRect r;
	BPoint pt;
	const void* data = nullptr;
	ssize_t size = 0;
	EXPECT_EQ(message.FindBool("bool", &b), B_OK);
	EXPECT_EQ(message.FindInt8("int8", &i8), B_OK);
	EXPECT_EQ(message.FindInt16("int16", &i16), B_OK);
	EXPECT_EQ(message.FindInt32("int32", &i32), B_OK);
	EXPECT_EQ(message.FindInt64("int64", &i64), B_OK);
	EXPECT_EQ(message.FindFloat("float", &f), B_OK);
	EXPECT_EQ(message.FindDouble("double", &d), B_OK);
	EXPECT_EQ(message.FindString("string", &s), B_OK);
	EXPECT_EQ(message.FindPointer("pointer", &p), B_OK);
	EXPECT_EQ(message.FindRect("rect", &r), B_OK);
	EXPECT_EQ(message.FindPoint("point", &pt), B_OK);
	EXPECT_EQ(message.FindData("raw", B_RAW_TYPE, &data, &size), B_OK);
	EXPECT_TRUE(b);
	EXPECT_EQ(i8, -5);
	EXPECT_EQ(i16, -300);
	EXPECT_EQ(i32, 70000);
	EXPECT_EQ(i64, int64(1) << 40);
	EXPECT_EQ(f, 1.5f);
	EXPECT_EQ(d, 2.25);
	EXPECT_STREQ(s, "hello");
	EXPECT_EQ(p, &dummy);
	EXPECT_EQ(r, BRect(1, 2, 3, 4));
	EXPECT_EQ(pt, BPoint(5, 6));
	ASSERT_EQ(size, 3);
	EXPECT_EQ(std::memcmp(data, raw, 3), 0);
	EXPECT_EQ(message.CountNames(), 12);
	EXPECT_EQ(message.CountNames(B_INT32_TYPE), 1);
}

TEST(Message, MissingWrongTypeAndIndexAreReportedAndLeaveTheOutputAlone) {
	BMessage message(1);
	message.AddInt32("value", 7);
	message.AddInt32("value", 8);
	int32 value = -1;
	EXPECT_EQ(message.FindInt32("absent", &value), B_NAME_NOT_FOUND);
	EXPECT_EQ(message.FindInt32("value", 2, &value), B_BAD_INDEX);
	float f = -1;
	EXPECT_EQ(message.FindFloat("value", &f), B_BAD_TYPE);
	EXPECT_EQ(value, -1);
	EXPECT_EQ(f, -1);
	EXPECT_EQ(message.AddFloat("value", 1.0f), B_BAD_TYPE);
	EXPECT_EQ(message.FindInt32("value", 1, &value), B_OK);
	EXPECT_EQ(value, 8);
	EXPECT_EQ(message.GetInt32("absent", 42), 42);
}

TEST(Message, ReplaceRemoveAndInfo) {
	BMessage message(1);
	message.AddString("name", "old");
	message.AddInt32("count", 1);
	EXPECT_EQ(message.ReplaceString("name", "a much longer new value"), B_OK);
	EXPECT_STREQ(message.GetString("name"), "a much longer new value");
	EXPECT_EQ(message.ReplaceInt32("missing", 3), B_NAME_NOT_FOUND);
	type_code type = 0;
	int32 count = 0;
	EXPECT_EQ(message.GetInfo("count", &type, &count), B_OK);
	EXPECT_EQ(type, B_INT32_TYPE);
	EXPECT_EQ(count, 1);
	const char* name = nullptr;
	EXPECT_EQ(message.GetInfo(B_ANY_TYPE, 1, &name, &type), B_OK);
	EXPECT_STREQ(name, "count");
	EXPECT_EQ(message.RemoveName("name"), B_OK);
	EXPECT_FALSE(message.HasName("name"));
	EXPECT_EQ(message.RemoveData("count"), B_OK);
	EXPECT_TRUE(message.IsEmpty());
}

TEST(Message, CopiesAreIndependentAndEqual) {
	BMessage original(B_KEY_DOWN);
	original.AddInt64("when", 123);
	original.AddString("bytes", "a");
	BMessage copy(original);
	EXPECT_TRUE(copy.HasSameData(original));
	copy.ReplaceString("bytes", "b");
	EXPECT_FALSE(copy.HasSameData(original));
	EXPECT_STREQ(original.GetString("bytes"), "a");
	BMessage assigned;
	assigned = original;
	EXPECT_TRUE(assigned.HasSameData(original));
}

TEST(Message, ToStringNamesTheCodeAndFields) {
	BMessage message('ShoW');
	message.AddInt32("gain", 250);
	message.AddString("label", "Gain (250%)");
	EXPECT_EQ(message.ToString(), "what='ShoW' gain=250 label=\"Gain (250%)\"");
}
