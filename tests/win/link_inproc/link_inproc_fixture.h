// The fixture of the tests that run the link's code in the test's own
// process, on a real COM1 that leads to the simulated thermostat, with the
// program's clock in the test's hands.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "main_window.h"
#include "seat.h"
#include "settings/settings.h"
#include "run/run.h"
#include "harness.h"
#include "link/connection.h"
#include "link/protocol.h"
#include "serial_port.h"
#include "port_calls_watch.h"
#include "simulator.h"
#include "window_support.h"

class LinkInProcess : public testing::Test {
protected:
    void SetUp() override {
        for (const char* reset : {"power on", "refuse off", "drop 0", "corrupt 0", "measured 25,0", "panel 25,5"})
            ASSERT_EQ(Simulator::command(reset).substr(0, 2), "OK") << reset;
        std::vector<std::uint8_t> bytes(536, 0);
        useSettingsFile(bytes);
        window = openMainWindow();
        ASSERT_TRUE(window);
        // COM1 is the simulator's line.
        setPortIndex(listedPortIndex("COM1"));
    }
    void TearDown() override {
        releaseReaders();
        closeMainWindow(window);
        closeSettings();
    }

    // A new main window on this settings file, its port set to COM1. With a
    // start moment stored the window connects by itself.
    void reopenWith(SettingsBytes file) {
        file.portIndex = settings().portIndex;
        closeMainWindow(window);
        useSettingsFile(file.bytes());
        window = openMainWindow();
        ASSERT_TRUE(window);
    }

    // A run flagged for 12:00-13:00 on 1 January 2030, with the clock at
    // 10:00 that day.
    void reopenWithAFlaggedRun() {
        setFakeLocalTime(2030, 1, 1, 10, 0);
        SettingsBytes file;
        file.runFlag = 0xFF;
        const std::uint16_t start[5] = {30, 1, 1, 12, 0};
        std::copy(start, start + 5, file.start);
        file.stages = {{2980, 1, 0}};
        reopenWith(file);
    }

    HWND window = nullptr;
};

inline std::vector<WireFrame> setCommands() {
    std::vector<WireFrame> found;
    for (const WireFrame& request : Simulator::requests())
        if (request.bytes.size() == 5) found.push_back(request);
    return found;
}

