// A bar meter window fresh as after library load: the drawn-frame counter
// and the last drawn tops, which the meter keeps across windows, at their
// initial values.
#pragma once

#include "meters/MeterWindowTest.h"
#include "meters/bar/BarMeterState.h"

class BarMeterWindowTest : public MeterWindowTest {
protected:
	void SetUp() override {
		MeterWindowTest::SetUp();
		BarMeterState::render_count = 0;
		BarMeterState::last_top_left = 0.0f;
		BarMeterState::last_top_right = 0.0f;
	}
};
