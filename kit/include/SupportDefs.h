// Basic types, status codes and type codes shared by every part of the kit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

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
enum : status_t {
	B_GENERAL_ERROR_BASE = INT32_MIN,
	B_OS_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x1000,
	B_APP_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x2000,
	B_INTERFACE_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x3000,
	B_STORAGE_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x6000,
};

enum : status_t {
	B_NO_MEMORY = B_GENERAL_ERROR_BASE,
	B_IO_ERROR,
	B_PERMISSION_DENIED,
	B_BAD_INDEX,
	B_BAD_TYPE,
	B_BAD_VALUE,
	B_MISMATCHED_VALUES,
	B_NAME_NOT_FOUND,
	B_NAME_IN_USE,
	B_TIMED_OUT,
	B_INTERRUPTED,
	B_WOULD_BLOCK,
	B_CANCELED,
	B_NO_INIT,
	B_BUSY,
	B_NOT_ALLOWED,
	B_BAD_DATA,
};

enum : status_t {
	B_BAD_SEM_ID = B_OS_ERROR_BASE,
	B_NO_MORE_SEMS,
	B_BAD_THREAD_ID = B_OS_ERROR_BASE + 0x100,
	B_BAD_PORT_ID = B_OS_ERROR_BASE + 0x200,
};

enum : status_t {
	B_BAD_REPLY = B_APP_ERROR_BASE,
	B_DUPLICATE_REPLY,
	B_MESSAGE_TO_SELF,
	B_BAD_HANDLER,
	B_ALREADY_RUNNING,
	B_LAUNCH_FAILED,
};

enum : status_t {
	B_ERROR = -1,
	B_OK = 0,
	B_NO_ERROR = 0,
};

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
