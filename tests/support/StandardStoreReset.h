#pragma once

#include <gtest/gtest.h>

// Empties the process's standard defaults file before each case, so that a
// test program run as one process starts every case from an empty store, as
// each case run in a process of its own does.
class StandardStoreReset : public ::testing::EmptyTestEventListener
{
public:
    void OnTestStart(const ::testing::TestInfo &) override;
};
