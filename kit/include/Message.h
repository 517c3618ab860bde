// A message: a 32-bit `what` code and any number of named fields, each holding
// one or more values of one type. Messages are values: copying one copies every
// field. Posting a message copies it too, so the sender keeps its own.
//
// A message is not locked: it belongs to one thread at a time and is not
// shared between threads without a lock. The receiver's copy belongs to the
// receiving looper's thread while it handles it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Rect.h"
#include "SupportDefs.h"

class BMessenger;

class BE_EXPORT BMessage {
public:
	uint32 what = 0;

	BMessage();
	explicit BMessage(uint32 what);
	BMessage(const BMessage& other);
	BMessage& operator=(const BMessage& other);
	~BMessage();

	// Adding fields. A name holds values of one type only: adding a value of
	// another type under an existing name fails with B_BAD_TYPE.
	status_t AddBool(const char* name, bool value);
	status_t AddInt8(const char* name, int8 value);
	status_t AddInt16(const char* name, int16 value);
	status_t AddInt32(const char* name, int32 value);
	status_t AddInt64(const char* name, int64 value);
	status_t AddFloat(const char* name, float value);
	status_t AddDouble(const char* name, double value);
	status_t AddString(const char* name, const char* value);
	status_t AddPointer(const char* name, const void* value);
	status_t AddRect(const char* name, BRect value);
	status_t AddPoint(const char* name, BPoint value);
	status_t AddData(const char* name, type_code type, const void* data, ssize_t numBytes);

	// Finding values. B_NAME_NOT_FOUND, B_BAD_TYPE or B_BAD_INDEX when absent;
	// the output is left alone then.
	status_t FindBool(const char* name, bool* value) const { return FindBool(name, 0, value); }
	status_t FindBool(const char* name, int32 index, bool* value) const;
	status_t FindInt8(const char* name, int8* value) const { return FindInt8(name, 0, value); }
	status_t FindInt8(const char* name, int32 index, int8* value) const;
	status_t FindInt16(const char* name, int16* value) const { return FindInt16(name, 0, value); }
	status_t FindInt16(const char* name, int32 index, int16* value) const;
	status_t FindInt32(const char* name, int32* value) const { return FindInt32(name, 0, value); }
	status_t FindInt32(const char* name, int32 index, int32* value) const;
	status_t FindInt64(const char* name, int64* value) const { return FindInt64(name, 0, value); }
	status_t FindInt64(const char* name, int32 index, int64* value) const;
	status_t FindFloat(const char* name, float* value) const { return FindFloat(name, 0, value); }
	status_t FindFloat(const char* name, int32 index, float* value) const;
	status_t FindDouble(const char* name, double* value) const { return FindDouble(name, 0, value); }
	status_t FindDouble(const char* name, int32 index, double* value) const;
	// The string stays owned by the message, valid until the field changes.
	status_t FindString(const char* name, const char** value) const { return FindString(name, 0, value); }
	status_t FindString(const char* name, int32 index, const char** value) const;
	status_t FindPointer(const char* name, void** value) const { return FindPointer(name, 0, value); }
	status_t FindPointer(const char* name, int32 index, void** value) const;
	status_t FindRect(const char* name, BRect* value) const { return FindRect(name, 0, value); }
	status_t FindRect(const char* name, int32 index, BRect* value) const;
	status_t FindPoint(const char* name, BPoint* value) const { return FindPoint(name, 0, value); }
	status_t FindPoint(const char* name, int32 index, BPoint* value) const;
	// The data stays owned by the message, valid until the field changes.
	status_t FindData(const char* name, type_code type, const void** data, ssize_t* numBytes) const {
		return FindData(name, type, 0, data, numBytes);
	}
	status_t FindData(const char* name, type_code type, int32 index, const void** data,
	                  ssize_t* numBytes) const;

	// Getters with a default for a missing value.
	bool GetBool(const char* name, bool defaultValue = false) const;
	int32 GetInt32(const char* name, int32 defaultValue) const;
	int64 GetInt64(const char* name, int64 defaultValue) const;
	float GetFloat(const char* name, float defaultValue) const;
	const char* GetString(const char* name, const char* defaultValue = nullptr) const;
	const void* GetPointer(const char* name, const void* defaultValue = nullptr) const;

	// Replacing a value that exists.
	status_t ReplaceBool(const char* name, bool value) { return ReplaceBool(name, 0, value); }
	status_t ReplaceBool(const char* name, int32 index, bool value);
	status_t ReplaceInt32(const char* name, int32 value) { return ReplaceInt32(name, 0, value); }
	status_t ReplaceInt32(const char* name, int32 index, int32 value);
	status_t ReplaceInt64(const char* name, int64 value) { return ReplaceInt64(name, 0, value); }
	status_t ReplaceInt64(const char* name, int32 index, int64 value);
	status_t ReplaceFloat(const char* name, float value) { return ReplaceFloat(name, 0, value); }
	status_t ReplaceFloat(const char* name, int32 index, float value);
	status_t ReplaceString(const char* name, const char* value) { return ReplaceString(name, 0, value); }
	status_t ReplaceString(const char* name, int32 index, const char* value);
	status_t ReplacePointer(const char* name, const void* value) { return ReplacePointer(name, 0, value); }
	status_t ReplacePointer(const char* name, int32 index, const void* value);
	status_t ReplaceRect(const char* name, BRect value) { return ReplaceRect(name, 0, value); }
	status_t ReplaceRect(const char* name, int32 index, BRect value);
	status_t ReplacePoint(const char* name, BPoint value) { return ReplacePoint(name, 0, value); }
	status_t ReplacePoint(const char* name, int32 index, BPoint value);
	status_t ReplaceData(const char* name, type_code type, int32 index, const void* data, ssize_t numBytes);

	// Inspecting and removing fields
	bool HasName(const char* name) const;
	// Number of field names, of one type or of any type (B_ANY_TYPE).
	int32 CountNames(type_code type = B_ANY_TYPE) const;
	status_t GetInfo(const char* name, type_code* type, int32* count = nullptr) const;
	// The index-th name holding values of `type` (or of any type), in the
	// order the names were first added. The name stays owned by the message.
	status_t GetInfo(type_code type, int32 index, const char** name, type_code* foundType,
	                 int32* count = nullptr) const;
	status_t RemoveName(const char* name);
	status_t RemoveData(const char* name, int32 index = 0);
	status_t MakeEmpty();
	bool IsEmpty() const;
	// Same `what` and the same fields with the same values in the same order.
	bool HasSameData(const BMessage& other) const;

	// Delivery
	// Where a reply to this message would go; invalid when nobody asked.
	BMessenger ReturnAddress() const;
	bool WasDelivered() const { return fDelivered; }
	// A one-line readable form, for logs: what code and every field.
	std::string ToString() const;
	void PrintToStream() const;

private:
	friend class BLooper;
	friend class BMessenger;

	struct Field;
	Field* FindField(const char* name);
	const Field* FindField(const char* name) const;
	status_t AddBytes(const char* name, type_code type, const void* data, size_t size);
	status_t FindBytes(const char* name, type_code type, int32 index, const void** data, size_t* size) const;
	status_t ReplaceBytes(const char* name, type_code type, int32 index, const void* data, size_t size);

	std::vector<std::unique_ptr<Field>> fFields;
	// Routing filled in when the message is posted; a target token of -1
	// with fPreferredTarget means the looper's preferred handler.
	int32 fTargetToken = -1;
	bool fPreferredTarget = true;
	int32 fReplyHandlerToken = -1;
	int32 fReplyLooperToken = -1;
	bool fDelivered = false;
};
