// Basic types, status codes and type codes shared by every part of the kit.
//
// Values and constants only: nothing here crosses threads [any thread].
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

// Marks the kit's public API. The kit is built with hidden visibility, so a
// class or function without the mark is not exported and a host or add-on
// that uses it fails to link.
#define BE_EXPORT __attribute__((visibility("default")))
// Marks the private insides of an exported class (its Data), which stay in
// the kit though the class is exported.
#define BE_HIDDEN __attribute__((visibility("hidden")))

typedef int8_t int8;
typedef uint8_t uint8;
typedef int16_t int16;
typedef uint16_t uint16;
typedef int32_t int32;
typedef uint32_t uint32;
typedef int64_t int64;
typedef uint64_t uint64;

typedef int32 status_t;
typedef int64 bigtime_t;
typedef uint32 type_code;

// Status codes. Errors are negative; B_OK is 0.
inline constexpr status_t B_GENERAL_ERROR_BASE = INT32_MIN;
inline constexpr status_t B_OS_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x1000;
inline constexpr status_t B_APP_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x2000;

inline constexpr status_t B_NO_MEMORY = B_GENERAL_ERROR_BASE + 0;
inline constexpr status_t B_IO_ERROR = B_GENERAL_ERROR_BASE + 1;
inline constexpr status_t B_PERMISSION_DENIED = B_GENERAL_ERROR_BASE + 2;
inline constexpr status_t B_BAD_INDEX = B_GENERAL_ERROR_BASE + 3;
inline constexpr status_t B_BAD_TYPE = B_GENERAL_ERROR_BASE + 4;
inline constexpr status_t B_BAD_VALUE = B_GENERAL_ERROR_BASE + 5;
inline constexpr status_t B_MISMATCHED_VALUES = B_GENERAL_ERROR_BASE + 6;
inline constexpr status_t B_NAME_NOT_FOUND = B_GENERAL_ERROR_BASE + 7;
inline constexpr status_t B_NAME_IN_USE = B_GENERAL_ERROR_BASE + 8;
inline constexpr status_t B_TIMED_OUT = B_GENERAL_ERROR_BASE + 9;
inline constexpr status_t B_INTERRUPTED = B_GENERAL_ERROR_BASE + 10;
inline constexpr status_t B_WOULD_BLOCK = B_GENERAL_ERROR_BASE + 11;
inline constexpr status_t B_CANCELED = B_GENERAL_ERROR_BASE + 12;
inline constexpr status_t B_NO_INIT = B_GENERAL_ERROR_BASE + 13;
inline constexpr status_t B_BUSY = B_GENERAL_ERROR_BASE + 14;
inline constexpr status_t B_NOT_ALLOWED = B_GENERAL_ERROR_BASE + 15;
inline constexpr status_t B_BAD_DATA = B_GENERAL_ERROR_BASE + 16;

inline constexpr status_t B_BAD_SEM_ID = B_OS_ERROR_BASE + 0;
inline constexpr status_t B_NO_MORE_SEMS = B_OS_ERROR_BASE + 1;
inline constexpr status_t B_BAD_THREAD_ID = B_OS_ERROR_BASE + 0x100;
inline constexpr status_t B_BAD_PORT_ID = B_OS_ERROR_BASE + 0x200;

inline constexpr status_t B_BAD_REPLY = B_APP_ERROR_BASE + 0;
inline constexpr status_t B_DUPLICATE_REPLY = B_APP_ERROR_BASE + 1;
inline constexpr status_t B_MESSAGE_TO_SELF = B_APP_ERROR_BASE + 2;
inline constexpr status_t B_BAD_HANDLER = B_APP_ERROR_BASE + 3;
inline constexpr status_t B_ALREADY_RUNNING = B_APP_ERROR_BASE + 4;

inline constexpr status_t B_ERROR = -1;
inline constexpr status_t B_OK = 0;
inline constexpr status_t B_NO_ERROR = 0;

// Type codes of message fields.
enum : type_code {
	B_ANY_TYPE = 'ANYT',
	B_BOOL_TYPE = 'BOOL',
	B_INT8_TYPE = 'BYTE',
	B_INT16_TYPE = 'SHRT',
	B_INT32_TYPE = 'LONG',
	B_INT64_TYPE = 'LLNG',
	B_FLOAT_TYPE = 'FLOT',
	B_DOUBLE_TYPE = 'DBLE',
	B_STRING_TYPE = 'CSTR',
	B_POINTER_TYPE = 'PNTR',
	B_RECT_TYPE = 'RECT',
	B_POINT_TYPE = 'BPNT',
	B_RAW_TYPE = 'RAWT',
	B_MESSAGE_TYPE = 'MSGG',
};
