#include "CheckReport.h"

const char* KindName(CheckKind kind) {
	switch (kind) {
	case CheckKind::Pass:
		return "pass";
	case CheckKind::Fail:
		return "fail";
	case CheckKind::Crash:
		return "crash";
	case CheckKind::Timeout:
		return "timeout";
	case CheckKind::Warning:
		return "warning";
	}
	return "fail";
}
