#include "link_fixture.h"

#include <algorithm>
#include <string>

void LinkTest::SetUp() {
    for (const char* reset : {"power on", "refuse off", "drop 0", "corrupt 0", "short 0", "late 0", "measured 25,0",
                              "panel 25,5"})
        ASSERT_EQ(Simulator::command(reset).substr(0, 2), "OK") << reset;
}

void LinkTest::TearDown() { program.reset(); }

std::uint8_t LinkTest::portIndexOf(const char* name) {
    // The program lists the ports in the order the registry gives them.
    HKEY key = nullptr;
    std::uint8_t index = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Hardware\\DeviceMap\\SerialComm", 0, KEY_QUERY_VALUE, &key) == 0) {
        for (DWORD i = 0;; ++i) {
            char valueName[64], data[64] = {};
            DWORD nameSize = sizeof valueName, dataSize = sizeof data - 1;
            if (RegEnumValueA(key, i, valueName, &nameSize, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                              &dataSize) != 0)
                break;
            if (std::string(data) == name) {
                RegCloseKey(key);
                return static_cast<std::uint8_t>(i);
            }
        }
        RegCloseKey(key);
    }
    ADD_FAILURE() << name << " is not in the system's port list";
    return index;
}

Program& LinkTest::start(std::uint8_t portIndex) {
    program = std::make_unique<Program>(portIndex);
    EXPECT_NE(program->window(), nullptr) << "the program's window did not appear";
    EXPECT_NE(program->connectButton(), nullptr);
    EXPECT_NE(program->setpointEdit(), nullptr);
    return *program;
}

Program& LinkTest::startConnected() {
    Program& p = start();
    Simulator::markLog();
    p.click(p.connectButton());
    EXPECT_TRUE(p.waitConnected(true, 5000)) << "no connection";
    return p;
}

std::vector<double> intervals(const std::vector<WireFrame>& frames) {
    std::vector<double> result;
    for (std::size_t i = 1; i < frames.size(); ++i) result.push_back(frames[i].ms - frames[i - 1].ms);
    return result;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
