#pragma once
// The panel program on a private X display, for the end-to-end tests of the demo: each test gets
// its own Xvfb and a temporary folder for the interface file, and runs build/nerulan in it.
#include <gtest/gtest.h>

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/XvfbServer.h"

class PanelEndToEndTest : public ::testing::Test
{
protected:
    static constexpr int kScreenWidth = 1024;
    static constexpr int kScreenHeight = 768;

    // dirPattern: the mkdtemp pattern of the test's folder (ending in XXXXXX).
    explicit PanelEndToEndTest(const char* dirPattern) : m_dirPattern(dirPattern) {}

    void SetUp() override;
    void TearDown() override;

    // Starts build/nerulan in the folder on Main.qvr, in a process of its own (stopped by its id only).
    bool Start();
    void Stop();

    // The whole screen as R, G, B bytes; empty when it could not be read.
    std::string Screenshot();
    // The pixel of R, G, B bytes that starts at the offset, as 0xRRGGBB.
    static uint32_t RgbAt(const std::string& bytes, size_t at);

    XvfbServer m_x;
    std::string m_dir;
    pid_t m_pid = -1;

private:
    std::string m_dirPattern;
};
