// The feed's plug-in object, in a library of its own in Audacious's Effect folder.
#include "FeedPlugin.h"

namespace {

constexpr const char kAbout[] =
    "Hands every sample Audacious plays to the VU meters (Corvel's VU-Meter, Kestle VU-Meter), "
    "unchanged. A meter enables it when it starts and disables it after the last meter ends; "
    "while no meter runs it does nothing.";

} // namespace

__attribute__((visibility("default")))
FeedPlugin aud_plugin_instance({"VU meters' feed", nullptr, kAbout, nullptr, 0});
