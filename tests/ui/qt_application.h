#pragma once

#include "event_wait.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace tervolen::test {

// One QApplication for all tests of an executable (offscreen platform, set by the test registration).
class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "tervolen_ui_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

inline const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace tervolen::test
