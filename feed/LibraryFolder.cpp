#include "LibraryFolder.h"

#include <dlfcn.h>

namespace LibraryFolder {

std::filesystem::path Path() {
	Dl_info info{};
	if (!dladdr(reinterpret_cast<const void*>(&Path), &info) || !info.dli_fname) return {};
	std::error_code ec;
	const auto self = std::filesystem::canonical(info.dli_fname, ec);
	if (ec) return {};
	return self.parent_path();
}

} // namespace LibraryFolder
