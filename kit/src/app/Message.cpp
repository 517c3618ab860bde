// Messages: a what code and named, typed fields.
// Past 300 lines as one unit: every field type goes through one typed store, which its text form reads too.
#include <Message.h>
#include <Messenger.h>

#include <charconv>
#include <cstdio>
#include <cstring>

struct BE_HIDDEN BMessage::Field {
	std::string name;
	type_code type;
	std::vector<std::vector<uint8>> values;
};

BMessage::BMessage() = default;

BMessage::BMessage(uint32 what) : what(what) {}

BMessage::BMessage(const BMessage& other) { *this = other; }

BMessage& BMessage::operator=(const BMessage& other) {
	if (this == &other) return *this;
	what = other.what;
	fFields.clear();
	for (const auto& field : other.fFields)
		fFields.push_back(std::make_unique<Field>(*field));
	fTargetToken = other.fTargetToken;
	fPreferredTarget = other.fPreferredTarget;
	fReplyHandlerToken = other.fReplyHandlerToken;
	fReplyLooperToken = other.fReplyLooperToken;
	fDelivered = other.fDelivered;
	return *this;
}

BMessage::~BMessage() = default;

BMessage::Field* BMessage::FindField(const char* name) {
	if (!name) return nullptr;
	for (auto& field : fFields)
		if (field->name == name) return field.get();
	return nullptr;
}

const BMessage::Field* BMessage::FindField(const char* name) const {
	return const_cast<BMessage*>(this)->FindField(name);
}

status_t BMessage::AddBytes(const char* name, type_code type, const void* data, size_t size) {
	if (!name || (!data && size > 0)) return B_BAD_VALUE;
	Field* field = FindField(name);
	if (!field) {
		fFields.push_back(std::make_unique<Field>(Field{name, type, {}}));
		field = fFields.back().get();
	} else if (field->type != type) {
		return B_BAD_TYPE;
	}
	const uint8* bytes = static_cast<const uint8*>(data);
	field->values.emplace_back(bytes, bytes + size);
	return B_OK;
}

status_t BMessage::FindBytes(const char* name, type_code type, int32 index, const void** data,
                             size_t* size) const {
	const Field* field = FindField(name);
	if (!field) return B_NAME_NOT_FOUND;
	if (type != B_ANY_TYPE && field->type != type) return B_BAD_TYPE;
	if (index < 0 || size_t(index) >= field->values.size()) return B_BAD_INDEX;
	*data = field->values[index].data();
	*size = field->values[index].size();
	return B_OK;
}

status_t BMessage::ReplaceBytes(const char* name, type_code type, int32 index, const void* data,
                                size_t size) {
	Field* field = FindField(name);
	if (!field) return B_NAME_NOT_FOUND;
	if (field->type != type) return B_BAD_TYPE;
	if (index < 0 || size_t(index) >= field->values.size()) return B_BAD_INDEX;
	const uint8* bytes = static_cast<const uint8*>(data);
	field->values[index].assign(bytes, bytes + size);
	return B_OK;
}

namespace {

template <typename T>
status_t FindValue(const BMessage& message, const char* name, type_code type, int32 index, T* value) {
	const void* data;
	ssize_t size;
	status_t status = message.FindData(name, type, index, &data, &size);
	if (status != B_OK) return status;
	if (size_t(size) != sizeof(T)) return B_BAD_DATA;
	std::memcpy(value, data, sizeof(T));
	return B_OK;
}

} // namespace

#define VALUE_ACCESSORS(Name, Type, code)                                                                    \
	status_t BMessage::Add##Name(const char* name, Type value) {                                             \
		return AddBytes(name, code, &value, sizeof value);                                                   \
	}                                                                                                        \
	status_t BMessage::Find##Name(const char* name, int32 index, Type* value) const {                        \
		if (!value) return B_BAD_VALUE;                                                                      \
		return FindValue(*this, name, code, index, value);                                                   \
	}

VALUE_ACCESSORS(Bool, bool, B_BOOL_TYPE)
VALUE_ACCESSORS(Int8, int8, B_INT8_TYPE)
VALUE_ACCESSORS(Int16, int16, B_INT16_TYPE)
VALUE_ACCESSORS(Int32, int32, B_INT32_TYPE)
VALUE_ACCESSORS(Int64, int64, B_INT64_TYPE)
VALUE_ACCESSORS(Float, float, B_FLOAT_TYPE)
VALUE_ACCESSORS(Double, double, B_DOUBLE_TYPE)
VALUE_ACCESSORS(Rect, BRect, B_RECT_TYPE)
VALUE_ACCESSORS(Point, BPoint, B_POINT_TYPE)
#undef VALUE_ACCESSORS

#define REPLACE_ACCESSOR(Name, Type, code)                                                                   \
	status_t BMessage::Replace##Name(const char* name, int32 index, Type value) {                            \
		return ReplaceBytes(name, code, index, &value, sizeof value);                                        \
	}

REPLACE_ACCESSOR(Bool, bool, B_BOOL_TYPE)
REPLACE_ACCESSOR(Int32, int32, B_INT32_TYPE)
REPLACE_ACCESSOR(Int64, int64, B_INT64_TYPE)
REPLACE_ACCESSOR(Float, float, B_FLOAT_TYPE)
REPLACE_ACCESSOR(Rect, BRect, B_RECT_TYPE)
REPLACE_ACCESSOR(Point, BPoint, B_POINT_TYPE)
#undef REPLACE_ACCESSOR

status_t BMessage::AddString(const char* name, const char* value) {
	if (!value) return B_BAD_VALUE;
	return AddBytes(name, B_STRING_TYPE, value, std::strlen(value) + 1);
}

status_t BMessage::FindString(const char* name, int32 index, const char** value) const {
	if (!value) return B_BAD_VALUE;
	const void* data;
	size_t size;
	status_t status = FindBytes(name, B_STRING_TYPE, index, &data, &size);
	if (status == B_OK) *value = static_cast<const char*>(data);
	return status;
}

status_t BMessage::ReplaceString(const char* name, int32 index, const char* value) {
	if (!value) return B_BAD_VALUE;
	return ReplaceBytes(name, B_STRING_TYPE, index, value, std::strlen(value) + 1);
}

status_t BMessage::AddPointer(const char* name, const void* value) {
	return AddBytes(name, B_POINTER_TYPE, &value, sizeof value);
}

status_t BMessage::FindPointer(const char* name, int32 index, void** value) const {
	if (!value) return B_BAD_VALUE;
	return FindValue(*this, name, B_POINTER_TYPE, index, value);
}

status_t BMessage::ReplacePointer(const char* name, int32 index, const void* value) {
	return ReplaceBytes(name, B_POINTER_TYPE, index, &value, sizeof value);
}

status_t BMessage::AddData(const char* name, type_code type, const void* data, ssize_t numBytes) {
	if (numBytes < 0 || type == B_ANY_TYPE) return B_BAD_VALUE;
	return AddBytes(name, type, data, size_t(numBytes));
}

status_t BMessage::FindData(const char* name, type_code type, int32 index, const void** data,
                            ssize_t* numBytes) const {
	if (!data || !numBytes) return B_BAD_VALUE;
	size_t size;
	status_t status = FindBytes(name, type, index, data, &size);
	if (status == B_OK) *numBytes = ssize_t(size);
	return status;
}

status_t BMessage::ReplaceData(const char* name, type_code type, int32 index, const void* data,
                               ssize_t numBytes) {
	if (numBytes < 0) return B_BAD_VALUE;
	return ReplaceBytes(name, type, index, data, size_t(numBytes));
}

bool BMessage::GetBool(const char* name, bool defaultValue) const {
	bool value = defaultValue;
	FindBool(name, &value);
	return value;
}

int32 BMessage::GetInt32(const char* name, int32 defaultValue) const {
	int32 value = defaultValue;
	FindInt32(name, &value);
	return value;
}

int64 BMessage::GetInt64(const char* name, int64 defaultValue) const {
	int64 value = defaultValue;
	FindInt64(name, &value);
	return value;
}

float BMessage::GetFloat(const char* name, float defaultValue) const {
	float value = defaultValue;
	FindFloat(name, &value);
	return value;
}

const char* BMessage::GetString(const char* name, const char* defaultValue) const {
	const char* value = defaultValue;
	FindString(name, &value);
	return value;
}

const void* BMessage::GetPointer(const char* name, const void* defaultValue) const {
	void* value = const_cast<void*>(defaultValue);
	FindPointer(name, &value);
	return value;
}

bool BMessage::HasName(const char* name) const { return FindField(name) != nullptr; }

int32 BMessage::CountNames(type_code type) const {
	int32 count = 0;
	for (const auto& field : fFields)
		if (type == B_ANY_TYPE || field->type == type) count++;
	return count;
}

status_t BMessage::GetInfo(const char* name, type_code* type, int32* count) const {
	const Field* field = FindField(name);
	if (!field) return B_NAME_NOT_FOUND;
	if (type) *type = field->type;
	if (count) *count = int32(field->values.size());
	return B_OK;
}

status_t BMessage::GetInfo(type_code type, int32 index, const char** name, type_code* foundType,
                           int32* count) const {
	if (index < 0) return B_BAD_INDEX;
	for (const auto& field : fFields) {
		if (type != B_ANY_TYPE && field->type != type) continue;
		if (index-- > 0) continue;
		if (name) *name = field->name.c_str();
		if (foundType) *foundType = field->type;
		if (count) *count = int32(field->values.size());
		return B_OK;
	}
	return type == B_ANY_TYPE || CountNames(type) > 0 ? B_BAD_INDEX : B_BAD_TYPE;
}

status_t BMessage::RemoveName(const char* name) {
	for (auto it = fFields.begin(); it != fFields.end(); ++it) {
		if ((*it)->name == name) {
			fFields.erase(it);
			return B_OK;
		}
	}
	return B_NAME_NOT_FOUND;
}

status_t BMessage::RemoveData(const char* name, int32 index) {
	Field* field = FindField(name);
	if (!field) return B_NAME_NOT_FOUND;
	if (index < 0 || size_t(index) >= field->values.size()) return B_BAD_INDEX;
	field->values.erase(field->values.begin() + index);
	if (field->values.empty()) RemoveName(name);
	return B_OK;
}

status_t BMessage::MakeEmpty() {
	fFields.clear();
	return B_OK;
}

bool BMessage::IsEmpty() const { return fFields.empty(); }

bool BMessage::HasSameData(const BMessage& other) const {
	if (what != other.what || fFields.size() != other.fFields.size()) return false;
	for (size_t i = 0; i < fFields.size(); i++) {
		const Field& a = *fFields[i];
		const Field& b = *other.fFields[i];
		if (a.name != b.name || a.type != b.type || a.values != b.values) return false;
	}
	return true;
}

BMessenger BMessage::ReturnAddress() const {
	BMessenger messenger;
	messenger.fHandlerToken = fReplyHandlerToken;
	messenger.fLooperToken = fReplyLooperToken;
	return messenger;
}

namespace {

std::string CodeText(uint32 code) {
	char text[16];
	bool printable = true;
	for (int shift = 24; shift >= 0; shift -= 8) {
		char c = char((code >> shift) & 0xff);
		if (c < 0x20 || c > 0x7e) printable = false;
	}
	if (printable)
		std::snprintf(text, sizeof text, "'%c%c%c%c'", char(code >> 24), char(code >> 16), char(code >> 8),
		              char(code));
	else
		std::snprintf(text, sizeof text, "%u", code);
	return text;
}

template <typename T> std::string Number(T value) {
	char text[64];
	auto result = std::to_chars(text, text + sizeof text, value);
	return std::string(text, result.ptr);
}

std::string ValueText(type_code type, const std::vector<uint8>& bytes) {
	auto as = [&](auto sample) {
		std::memcpy(&sample, bytes.data(), std::min(bytes.size(), sizeof sample));
		return sample;
	};
	switch (type) {
	case B_BOOL_TYPE:
		return as(bool()) ? "true" : "false";
	case B_INT8_TYPE:
		return Number(int(as(int8())));
	case B_INT16_TYPE:
		return Number(as(int16()));
	case B_INT32_TYPE:
		return Number(as(int32()));
	case B_INT64_TYPE:
		return Number(as(int64()));
	case B_FLOAT_TYPE:
		return Number(as(float()));
	case B_DOUBLE_TYPE:
		return Number(as(double()));
	case B_POINTER_TYPE: {
		char text[32];
		std::snprintf(text, sizeof text, "%p", as(static_cast<void*>(nullptr)));
		return text;
	}
	case B_POINT_TYPE: {
		BPoint p = as(BPoint());
		return std::string("(").append(Number(p.x)).append(" ").append(Number(p.y)).append(")");
	}
	case B_RECT_TYPE: {
		BRect r = as(BRect());
		return std::string("(")
		    .append(Number(r.left))
		    .append(" ")
		    .append(Number(r.top))
		    .append(" ")
		    .append(Number(r.right))
		    .append(" ")
		    .append(Number(r.bottom))
		    .append(")");
	}
	case B_STRING_TYPE: {
		std::string text = "\"";
		for (uint8 byte : bytes) {
			if (byte == 0) break;
			if (byte < 0x20 || byte == '"' || byte == '\\') {
				char escaped[8];
				std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
				text += escaped;
			} else {
				text += char(byte);
			}
		}
		return text + "\"";
	}
	default:
		return Number(bytes.size()) + " bytes";
	}
}

} // namespace

std::string BMessage::ToString() const {
	std::string text = "what=" + CodeText(what);
	for (const auto& field : fFields) {
		text += " " + field->name + "=";
		for (size_t i = 0; i < field->values.size(); i++) {
			if (i > 0) text += ",";
			text += ValueText(field->type, field->values[i]);
		}
	}
	return text;
}

void BMessage::PrintToStream() const { std::printf("BMessage(%s)\n", ToString().c_str()); }
