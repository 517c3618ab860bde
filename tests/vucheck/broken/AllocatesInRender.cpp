// Keeps a copy of every block on the heap.
#include <array>
#include <memory>

#include "SimplePlugin.h"

class AllocatesInRender : public SimplePlugin {
public:
	bool Render(const VisAudioInfoStruct* info) override {
		fLast = std::make_unique<std::array<int16, kBlockValues>>();
		std::copy(info->Samples(), info->Samples() + kBlockValues, fLast->begin());
		return SimplePlugin::Render(info);
	}

private:
	std::unique_ptr<std::array<int16, kBlockValues>> fLast;
};

EXPORT_PLUGIN(AllocatesInRender)
