// The base of every test: it proves that the platform objects a test created were released, and
// starts each test with the globals and the platform's records cleared.
#pragma once

#include "settings/AccountingContext.h"

#include <PlatformHost.h>
#include <gtest/gtest.h>

class PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        liveAtStart_ = PlatformHost::liveObjectCount();
        PlatformHost::clearDrawLog();
        gContext = nullptr;
        gMaxChars = 0;
    }

    void TearDown() override {
        PlatformHost::clearAllocationFailures();
        EXPECT_EQ(PlatformHost::liveObjectCount(), liveAtStart_)
            << "platform objects still alive: " << PlatformHost::liveObjectReport();
    }

  private:
    long liveAtStart_ = 0;
};
