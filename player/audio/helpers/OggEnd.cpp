#include "audio/helpers/OggEnd.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A page: "OggS", version, flags, granule position (8 bytes), serial number,
// sequence number, checksum (4 bytes each), the number of segments, their
// lengths, then the segments.
constexpr size_t kHeaderBytes = 27;
constexpr size_t kFlagsAt = 5;
constexpr size_t kSegmentsAt = 26;
constexpr uint8_t kEndOfStream = 0x04;
constexpr size_t kLargestPage = kHeaderBytes + 255 + 255 * 255;

// The length of the page that starts at `at`, or 0 when it does not fit in `bytes`.
size_t PageLength(const std::vector<uint8_t>& bytes, size_t at) {
	if (at + kHeaderBytes > bytes.size()) return 0;
	const size_t segments = bytes[at + kSegmentsAt];
	if (at + kHeaderBytes + segments > bytes.size()) return 0;
	size_t length = kHeaderBytes + segments;
	for (size_t i = 0; i < segments; i++)
		length += bytes[at + kHeaderBytes + i];
	return length;
}

} // namespace

bool OggEnd::IsThere(int fd) {
	struct stat status;
	if (::fstat(fd, &status) != 0 || status.st_size <= 0) return false;
	const auto size = static_cast<size_t>(status.st_size);
	std::vector<uint8_t> tail(size < kLargestPage ? size : kLargestPage);
	const off_t from = static_cast<off_t>(size - tail.size());
	if (::pread(fd, tail.data(), tail.size(), from) != static_cast<ssize_t>(tail.size())) return false;
	// The last page is the one that ends exactly at the end of the file;
	// "OggS" may also occur inside a page, which then does not.
	for (size_t end = tail.size(); end >= 4; end--) {
		const size_t at = end - 4;
		if (std::memcmp(tail.data() + at, "OggS", 4) != 0) continue;
		const size_t length = PageLength(tail, at);
		if (length != 0 && at + length == tail.size()) return (tail[at + kFlagsAt] & kEndOfStream) != 0;
	}
	return false;
}
