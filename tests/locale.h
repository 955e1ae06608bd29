// Runs a piece of a test under another process locale.
#pragma once

#include <clocale>
#include <string>

#include <gtest/gtest.h>

namespace corvalume_test {

// A locale whose decimal separator is a comma.
inline constexpr const char *comma_locale = "de_DE.UTF-8";

class ScopedLocale {
  public:
    explicit ScopedLocale(const char *name) : saved_(std::setlocale(LC_ALL, nullptr)) {
        ok_ = std::setlocale(LC_ALL, name) != nullptr;
        if (!ok_)
            ADD_FAILURE() << "locale " << name << " is not installed; scripts/setup generates it";
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    ScopedLocale(const ScopedLocale &) = delete;
    ScopedLocale &operator=(const ScopedLocale &) = delete;

    bool ok() const { return ok_; }

  private:
    std::string saved_;
    bool ok_;
};

} // namespace corvalume_test
