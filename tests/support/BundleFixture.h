// The built Accounting bundle and the dialog's help bundle, opened for a test, with a context
// that refers to both and the records of what the user was shown cleared.
#pragma once

#include "support/PlatformTest.h"

#include <cstdlib>
#include <string>

class BundleTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        PlatformHost::clearUserRecords();
        std::string error;
        bundle_ = PlatformHost::openBundle(ACCOUNTING_BUNDLE_DIR, &error);
        ASSERT_NE(bundle_, nullptr) << error;
        helpBundle_ = PlatformHost::openBundle(ACCOUNTING_HELP_BUNDLE_DIR, &error);
        ASSERT_NE(helpBundle_, nullptr) << error;
        context_ = allocateAccountingContext();
        ASSERT_NE(context_, nullptr);
        context_->bundle = bundle_;
        context_->helpBundle = helpBundle_;
    }

    void TearDown() override {
        PlatformHost::setModalEventSource(nullptr);
        freeAccountingContext(context_);
        if (bundle_ != nullptr) {
            CFRelease(bundle_);
        }
        if (helpBundle_ != nullptr) {
            CFRelease(helpBundle_);
        }
        PlatformTest::TearDown();
    }

    CFBundleRef bundle_ = nullptr;
    CFBundleRef helpBundle_ = nullptr;
    AccountingContext* context_ = nullptr;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            had_ = true;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (had_) {
            setenv(name_.c_str(), old_.c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }

  private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};
