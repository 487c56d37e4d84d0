// The common start of the link's end-to-end tests: a thermostat that answers
// normally, and the program on the port that leads to it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "program.h"
#include "simulator.h"

class LinkTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Index of a port in the program's list (the order the system gives).
    static std::uint8_t portIndexOf(const char* name);
    // Starts the program on COM1 without connecting.
    Program& start(std::uint8_t portIndex = portIndexOf("COM1"));
    // Starts the program on COM1 and connects through the connect button.
    Program& startConnected();

    std::unique_ptr<Program> program;
};

// Intervals in ms between consecutive frames.
std::vector<double> intervals(const std::vector<WireFrame>& frames);
double median(std::vector<double> values);
