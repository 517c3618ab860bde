#include <Screen.h>

#include "server/DisplayChoice.h"
#include "server/DisplayServer.h"

BScreen::BScreen(screen_id id) : fId(id) {}

bool BScreen::IsValid() const { return fId.id == B_MAIN_SCREEN_ID.id; }

BRect BScreen::Frame() const { return IsValid() ? DisplayChoice::Server().ScreenFrame() : BRect(); }
