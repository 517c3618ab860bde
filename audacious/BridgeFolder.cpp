#include "BridgeFolder.h"

#include <dlfcn.h>

namespace BridgeFolder {

std::filesystem::path AddonFolder() {
	Dl_info info{};
	if (!dladdr(reinterpret_cast<const void*>(&AddonFolder), &info) || !info.dli_fname) return {};
	std::error_code ec;
	const auto self = std::filesystem::canonical(info.dli_fname, ec);
	if (ec) return {};
	return (self.parent_path() / VUMETERS_ADDONDIR_FROM_LIBDIR).lexically_normal();
}

} // namespace BridgeFolder
