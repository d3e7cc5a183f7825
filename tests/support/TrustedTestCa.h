#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "support/TestCa.h"

namespace bildheber::test {

// A fixture base: one test CA for the whole suite, trusted through SSL_CERT_FILE as a user's
// system store would be; ca() issues the test servers' certificates.
class TrustedTestCaSuite : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<TempDir>();
        ca_ = std::make_unique<TestCa>();
        environment_ = std::make_unique<ScopedEnvironment>();
        environment_->set("SSL_CERT_FILE",
                          ca_->writeCertificate(folder_->path() / "ca.pem").string());
    }
    static void TearDownTestSuite() {
        environment_.reset();
        ca_.reset();
        folder_.reset();
    }

    static TestCa& ca() { return *ca_; }

  private:
    static inline std::unique_ptr<TempDir> folder_;
    static inline std::unique_ptr<TestCa> ca_;
    static inline std::unique_ptr<ScopedEnvironment> environment_;
};

}  // namespace bildheber::test
